// The platform layer, one list of behaviour for every system: built into the POSIX tests of the
// normal build, and with the Windows compiler into the Windows program that runs under Wine.
#include <gtest/gtest.h>

#include <chrono>

#include "platform/file_replace.h"
#include "platform/serial_port.h"
#include "tests/platform/platform_test_support.h"

namespace {

using platform::ReplaceOutcome;
using platform::ReplaceFileContent;
using Names = std::vector<std::string>;
using Clock = std::chrono::steady_clock;

const std::string kOld = "/* x */\r\n#define TKLib_TOUCH_NUM 2\r\n";
const std::string kNew = "/* x */\r\n#define TKLib_TOUCH_NUM \t5 \n";

TEST(FileReplace, ReplacesTheFileAndKeepsWhatItCarries)
{
    ScratchFolder dir;
    const std::string path = dir.File("x_cfg.h");
    ASSERT_TRUE(WriteBytes(path, kOld));
    ASSERT_TRUE(MarkKept(path));
    const platform::ReplaceResult r = ReplaceFileContent(path, kNew);
    EXPECT_EQ(r.outcome, ReplaceOutcome::Replaced) << r.error.message;
    EXPECT_EQ(ReadBytes(path), kNew);
    EXPECT_TRUE(HasKept(path));
    EXPECT_EQ(Entries(dir.path()), Names{"x_cfg.h"});

    // Folder and file named in Chinese.
    const std::string folder = dir.File("触摸配置");
    const std::string chinese = dir.File("触摸配置/按键_cfg.h");
    ASSERT_TRUE(fs::create_directory(fs::u8path(folder)));
    ASSERT_TRUE(WriteBytes(chinese, kOld));
    EXPECT_EQ(ReplaceFileContent(chinese, kNew).outcome, ReplaceOutcome::Replaced);
    EXPECT_EQ(ReadBytes(chinese), kNew);
    EXPECT_EQ(Entries(folder), Names{"按键_cfg.h"});

    // Replacing needs the file; saving creates it.
    const std::string fresh = dir.File("触摸配置/结果.csv");
    EXPECT_EQ(ReplaceFileContent(fresh, "a").outcome, ReplaceOutcome::Failed);
    EXPECT_EQ(ReplaceFileContent(fresh, "first", true).outcome, ReplaceOutcome::Replaced);
    EXPECT_EQ(ReadBytes(fresh), "first");
}

// A step that fails as a full disk makes it fail: the second write, the flush or the rename.
class FullDisk : public platform::ReplaceSteps {
public:
    enum Step { AtWrite, AtFlush, AtCommit };
    explicit FullDisk(Step step) : m_step(step) {}
    long WriteSome(platform::NativeFile f, const char* data, std::size_t size, std::size_t* written) override
    {
        if (m_step == AtWrite && ++m_writes == 2)
            return kDiskFull;
        return ReplaceSteps::WriteSome(f, data, size < 8 ? size : 8, written);
    }
    long FlushToDisk(platform::NativeFile f) override { return m_step == AtFlush ? kDiskFull : ReplaceSteps::FlushToDisk(f); }
    long Commit(const std::string& from, const std::string& to) override
    {
        return m_step == AtCommit ? kDiskFull : ReplaceSteps::Commit(from, to);
    }

private:
    Step m_step;
    int m_writes = 0;
};

TEST(FileReplace, ARefusalOrAFailureLeavesTheFileAsItWas)
{
    ScratchFolder dir;
    const std::string path = dir.File("x_cfg.h");
    ASSERT_TRUE(WriteBytes(path, kOld));
    auto expectUntouched = [&](const char* what) {
        EXPECT_EQ(ReadBytes(path), kOld) << what;
        EXPECT_EQ(Entries(dir.path()), Names{"x_cfg.h"}) << what;
    };

    // Read-only: refused before anything is written, whoever asks.
    ASSERT_TRUE(SetReadOnly(path, true));
    platform::ReplaceResult r = ReplaceFileContent(path, kNew);
    EXPECT_EQ(r.outcome, ReplaceOutcome::Refused);
    EXPECT_EQ(r.error.code, kAccessDenied);
    EXPECT_EQ(r.error.message, platform::SystemMessage(kAccessDenied));
    expectUntouched("read-only");
    ASSERT_TRUE(SetReadOnly(path, false));

    r = ReplaceFileContent(dir.File("gone/x_cfg.h"), kNew, true);
    EXPECT_EQ(r.outcome, ReplaceOutcome::Failed);
    EXPECT_EQ(r.error.code, kPathNotFound);
    expectUntouched("missing folder");

    for (FullDisk::Step step : {FullDisk::AtWrite, FullDisk::AtFlush, FullDisk::AtCommit}) {
        FullDisk steps(step);
        r = ReplaceFileContent(path, kNew.data(), kNew.size(), false, steps);
        EXPECT_EQ(r.outcome, ReplaceOutcome::Failed) << step;
        EXPECT_EQ(r.error.code, kDiskFull) << step;
        EXPECT_FALSE(r.error.message.empty());
        expectUntouched("failing step");
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

TEST(SerialPort, ThePortIsFoundAsTheHighest)
{
    TestPort port;
    if (port.device.empty())
        GTEST_SKIP() << port.why;
    EXPECT_TRUE(platform::SerialDevicePresent(port.device));
    const std::vector<int> present =
        platform::PresentComPorts(platform::kHighestComPort, [&](int n) { return port.DeviceOf(n); });
    ASSERT_FALSE(present.empty());
    EXPECT_EQ(present.back(), kTestPort);
    EXPECT_FALSE(platform::SerialDevicePresent(port.DeviceOf(kAbsentPort)));
    EXPECT_EQ(platform::ComPortDevice(0), "");
    EXPECT_EQ(platform::ComPortDevice(platform::kHighestComPort + 1), "");
}

// Reads until `size` bytes came or 10 s passed, waiting up to 5 s in each read.
std::string ReadAtLeast(platform::SerialPortReader& reader, std::size_t size)
{
    std::string got;
    platform::SystemError error;
    for (const auto end = Clock::now() + std::chrono::seconds(10); got.size() < size && Clock::now() < end;) {
        char buffer[512];
        const long n = reader.Read(buffer, sizeof buffer, 5000, &error);
        if (n < 0)
            return got + "<" + error.message + ">";
        got.append(buffer, static_cast<std::size_t>(n));
    }
    return got;
}

TEST(SerialPort, ReadsWhatHasArrivedWithinTheTimeout)
{
    TestPort port;
    if (port.device.empty())
        GTEST_SKIP() << port.why;
    platform::SerialPortReader reader;
    platform::SystemError error;
    ASSERT_TRUE(reader.Open(port.device, &error)) << error.message;

    // Every byte value as it was sent: no line editing, no flow control, no translation.
    std::string all;
    for (int b = 0; b < 256; ++b)
        all += static_cast<char>(b);
    port.Send(all);
    EXPECT_EQ(ReadAtLeast(reader, all.size()), all);

    // A read hands over what has arrived without waiting for more or for its time to run out.
    auto start = Clock::now();
    port.Send("\xFE\xA5\x01");
    EXPECT_EQ(ReadAtLeast(reader, 3), "\xFE\xA5\x01");
    EXPECT_LT(Clock::now() - start, std::chrono::seconds(4));

    // Nothing comes: empty once the time has run out, or at once with no time.
    char buffer[64];
    start = Clock::now();
    EXPECT_EQ(reader.Read(buffer, sizeof buffer, 300, &error), 0);
    EXPECT_GE(Clock::now() - start, std::chrono::milliseconds(250));
    EXPECT_EQ(reader.Read(buffer, sizeof buffer, 0, &error), 0);

    platform::SerialPortReader missing;
    EXPECT_FALSE(missing.Open(port.DeviceOf(kAbsentPort), &error));
    EXPECT_FALSE(error.message.empty());
    EXPECT_FALSE(missing.IsOpen());
}

} // namespace
