// The platform layer, one list of behaviour for every system: built into the POSIX tests of the
// normal build, and with the Windows compiler into the Windows program that runs under Wine.
#include <gtest/gtest.h>

#include <chrono>

#include "platform/file_replace.h"
#include "platform/serial_port.h"
#include "tests/platform/platform_test_support.h"

namespace {

using platform::ReplaceFileContent;
using platform::ReplaceOutcome;
using Names = std::vector<std::string>;
using Clock = std::chrono::steady_clock;

const std::string kOld = "/* x */\r\n#define TKLib_TOUCH_NUM 2\r\n";
const std::string kNew = "/* x */\r\n#define TKLib_TOUCH_NUM \t5 \n";

TEST(FileReplace, ReplacesTheFileAndKeepsWhatItCarries)
{
    ScratchFolder dir;
    const std::string path = dir.File("x_cfg.h");
    ASSERT_TRUE(WriteBytes(path, kOld) && MarkKept(path));
    const platform::ReplaceResult r = ReplaceFileContent(path, kNew);
    EXPECT_EQ(r.outcome, ReplaceOutcome::Replaced) << r.error.message;
    EXPECT_EQ(ReadBytes(path), kNew);
    EXPECT_TRUE(HasKept(path));
    EXPECT_EQ(Entries(dir.path()), Names{"x_cfg.h"});

    // A folder and a file named in Chinese; replacing needs the file, saving creates it.
    ASSERT_TRUE(fs::create_directory(fs::u8path(dir.File("触摸配置"))));
    const std::string chinese = dir.File("触摸配置/按键_cfg.h"), fresh = dir.File("触摸配置/结果.csv");
    ASSERT_TRUE(WriteBytes(chinese, kOld));
    EXPECT_EQ(ReplaceFileContent(chinese, kNew).outcome, ReplaceOutcome::Replaced);
    EXPECT_EQ(ReadBytes(chinese), kNew);
    EXPECT_EQ(ReplaceFileContent(fresh, "a").outcome, ReplaceOutcome::Failed);
    EXPECT_EQ(ReplaceFileContent(fresh, "first", true).outcome, ReplaceOutcome::Replaced);
    EXPECT_EQ(ReadBytes(fresh), "first");
    EXPECT_EQ(Entries(dir.File("触摸配置")), (Names{"按键_cfg.h", "结果.csv"}));
}

// Steps that fail as on a full disk: the second write (0), the flush (1) or the rename (2).
struct FullDisk : platform::ReplaceSteps {
    int step, writes = 0;
    explicit FullDisk(int failing) : step(failing) {}
    long WriteSome(platform::NativeFile f, const char* data, std::size_t size, std::size_t* written) override
    {
        return step == 0 && ++writes == 2 ? kDiskFull : ReplaceSteps::WriteSome(f, data, std::min<std::size_t>(size, 8), written);
    }
    long FlushToDisk(platform::NativeFile f) override { return step == 1 ? kDiskFull : ReplaceSteps::FlushToDisk(f); }
    long Commit(const std::string& from, const std::string& to) override
    {
        return step == 2 ? kDiskFull : ReplaceSteps::Commit(from, to);
    }
};

TEST(FileReplace, ARefusalOrAFailureLeavesTheFileAsItWas)
{
    ScratchFolder dir;
    const std::string path = dir.File("x_cfg.h");
    ASSERT_TRUE(WriteBytes(path, kOld));
    auto expect = [&](const platform::ReplaceResult& r, ReplaceOutcome outcome, long code, const char* what) {
        EXPECT_EQ(r.outcome, outcome) << what;
        EXPECT_EQ(r.error.code, code) << what;
        EXPECT_EQ(r.error.message, platform::SystemMessage(code)) << what;
        EXPECT_EQ(ReadBytes(path), kOld) << what;
        EXPECT_EQ(Entries(dir.path()), Names{"x_cfg.h"}) << what;
    };
    SetReadOnly(path, true);
    expect(ReplaceFileContent(path, kNew), ReplaceOutcome::Refused, kAccessDenied, "read-only, whoever asks");
    SetReadOnly(path, false);
    expect(ReplaceFileContent(dir.File("gone/x_cfg.h"), kNew, true), ReplaceOutcome::Failed, kPathNotFound, "no folder");
    for (int step : {0, 1, 2}) {
        FullDisk steps(step);
        expect(ReplaceFileContent(path, kNew.data(), kNew.size(), false, steps), ReplaceOutcome::Failed, kDiskFull,
               "full disk");
    }
}

TEST(FileReplace, AFileHeldOpenWithoutSharing)
{
    ScratchFolder dir;
    const std::string path = dir.File("x_cfg.h");
    ASSERT_TRUE(WriteBytes(path, kOld));
    HeldFile held(path);
    ASSERT_TRUE(held.ok());
    const platform::ReplaceResult r = ReplaceFileContent(path, kNew);
    EXPECT_EQ(held.Read(), kOld);
    EXPECT_EQ(Entries(dir.path()), Names{"x_cfg.h"});
#ifdef _WIN32
    // Windows keeps a file in use: refused before anything is written.
    EXPECT_EQ(r.outcome, ReplaceOutcome::Refused);
    EXPECT_EQ(r.error.code, ERROR_SHARING_VIOLATION);
#else
    // POSIX has no such lock: the file is replaced, and the holder reads on in the old one.
    EXPECT_EQ(r.outcome, ReplaceOutcome::Replaced);
    EXPECT_EQ(ReadBytes(path), kNew);
#endif
}

TEST(SerialPort, IsFoundAsTheHighestAndReadsWhatHasArrived)
{
    TestPort port;
    if (port.device.empty())
        GTEST_SKIP() << port.why;
    EXPECT_TRUE(platform::SerialDevicePresent(port.device));
    EXPECT_FALSE(platform::SerialDevicePresent(port.DeviceOf(kAbsentPort)));
    const std::vector<int> present = platform::PresentComPorts(255, [&](int n) { return port.DeviceOf(n); });
    EXPECT_EQ(present.empty() ? 0 : present.back(), kTestPort);

    platform::SerialPortReader reader;
    platform::SystemError error;
    ASSERT_TRUE(reader.Open(port.device, &error)) << error.message;
    // Reads until `size` bytes came, each read waiting up to 5 s; what it read and how long.
    auto readAtLeast = [&](std::size_t size) {
        const auto start = Clock::now();
        std::string got;
        char buffer[512];
        for (long n = 0; got.size() < size && n >= 0 && Clock::now() - start < std::chrono::seconds(10);)
            if ((n = reader.Read(buffer, sizeof buffer, 5000, &error)) > 0)
                got.append(buffer, static_cast<std::size_t>(n));
        return std::make_pair(got, Clock::now() - start);
    };
    // Every byte value as it was sent: no line editing, no flow control, no translation.
    std::string all;
    for (int b = 0; b < 256; ++b)
        all += static_cast<char>(b);
    port.Send(all);
    EXPECT_EQ(readAtLeast(all.size()).first, all);
    // What has arrived comes at once, without waiting for more or for the time to run out.
    port.Send("\xFE\xA5\x01");
    const auto frameEnd = readAtLeast(3);
    EXPECT_EQ(frameEnd.first, "\xFE\xA5\x01");
    EXPECT_LT(frameEnd.second, std::chrono::seconds(4));
    // Nothing comes: empty once the time has run out, or at once with no time.
    char buffer[64];
    const auto start = Clock::now();
    EXPECT_EQ(reader.Read(buffer, sizeof buffer, 300, &error), 0);
    EXPECT_GE(Clock::now() - start, std::chrono::milliseconds(250));
    EXPECT_EQ(reader.Read(buffer, sizeof buffer, 0, &error), 0);

    platform::SerialPortReader missing;
    EXPECT_FALSE(missing.Open(port.DeviceOf(kAbsentPort), &error));
    EXPECT_FALSE(error.message.empty() || missing.IsOpen());
}

} // namespace
