// Serial layer: port numbering and discovery, settings, and the receive behaviour of CMSComm.
#include <gtest/gtest.h>

#include <QDir>
#include <QSignalSpy>
#include <QTemporaryDir>
#include <QFile>

#include "debug/com_ports.h"
#include "debug/mscomm.h"
#include "platform/serial_port.h"
#include "tests/debug/fake_serial.h"

namespace {

ComPortSource Declared(const QMap<int, QString>& declared, const QStringList& devices = {},
                       const QStringList& missing = {})
{
    ComPortSource s;
    s.declared = [declared](int n) { return declared.value(n); };
    s.devices = [devices] { return devices; };
    s.present = [missing](const QString& location) { return !missing.contains(location); };
    return s;
}

TEST(FindComPort, HighestDeclaredPortWins)
{
    EXPECT_EQ(FindComPort(Declared({{1, "/dev/a"}, {4, "/dev/b"}, {7, "/dev/c"}})), 7);
    // A port whose device is gone does not count; the next one down is found.
    EXPECT_EQ(FindComPort(Declared({{1, "/dev/a"}, {4, "/dev/b"}, {7, "/dev/c"}}, {}, {"/dev/c"})), 4);
    EXPECT_EQ(FindComPort(Declared({{50, "/dev/x"}})), 50);
}

TEST(FindComPort, PresenceOfOneNumberFollowsTheSameRules)
{
    const ComPortSource s = Declared({{4, "/dev/b"}, {7, "/dev/c"}}, {"/dev/ttyS0"}, {"/dev/c"});
    EXPECT_TRUE(ComPortPresent(4, s));
    EXPECT_FALSE(ComPortPresent(7, s)) << "declared, but its device is gone";
    EXPECT_TRUE(ComPortPresent(1, s)) << "the system's own first device";
    EXPECT_FALSE(ComPortPresent(2, s));
    EXPECT_FALSE(ComPortPresent(51, Declared({{51, "/dev/x"}})));
    EXPECT_FALSE(ComPortPresent(0, Declared({{1, "/dev/x"}})));
}

TEST(FindComPort, NumbersAboveFiftyAreNeverFound)
{
    EXPECT_EQ(FindComPort(Declared({{51, "/dev/x"}, {99, "/dev/y"}})), -1);
    EXPECT_EQ(FindComPort(Declared({})), -1);
    EXPECT_EQ(ComPortLocation(51, Declared({{51, "/dev/x"}})), QString());
    EXPECT_EQ(ComPortLocation(0, Declared({{1, "/dev/x"}})), QString());
}

TEST(FindComPort, EnvironmentDeclaresPorts)
{
    QTemporaryDir dir;
    ASSERT_TRUE(dir.isValid());
    for (int n : {1, 4, 7}) {
        QFile f(dir.filePath(QStringLiteral("port%1").arg(n)));
        ASSERT_TRUE(f.open(QIODevice::WriteOnly));
    }
    ComPortSource env = ComPortSource::System();
    env.devices = [] { return QStringList(); }; // the machine's own ports stay out of this test
    for (int n : {1, 4, 7})
        qputenv(QStringLiteral("MORVEK_COM%1").arg(n).toLatin1().constData(),
                dir.filePath(QStringLiteral("port%1").arg(n)).toLocal8Bit());
    EXPECT_EQ(FindComPort(env), 7);
    EXPECT_EQ(ComPortLocation(4, env), dir.filePath(QStringLiteral("port4")));
    for (int n : {1, 4, 7})
        qunsetenv(QStringLiteral("MORVEK_COM%1").arg(n).toLatin1().constData());

    qputenv("MORVEK_COM51", dir.filePath(QStringLiteral("port1")).toLocal8Bit());
    EXPECT_EQ(FindComPort(env), -1);
    qunsetenv("MORVEK_COM51");
    // A declared path that does not exist is not present.
    qputenv("MORVEK_COM3", "/nonexistent/morvek-port");
    EXPECT_EQ(FindComPort(env), -1);
    qunsetenv("MORVEK_COM3");
}

#ifndef Q_OS_WIN
TEST(ComPortNumbering, UartsFirstThenUsbAdaptersInNumericOrder)
{
    const QStringList devices = {"/dev/ttyUSB10", "/dev/ttyACM0", "/dev/ttyS1", "/dev/ttyUSB2", "/dev/ttyS0",
                                 "/dev/ttyAMA0", "/dev/ttyXR7"};
    const QStringList ordered = OrderSerialDevices(devices, [](const QString& p) { return p.endsWith("XR7"); });
    EXPECT_EQ(ordered, (QStringList{"/dev/ttyAMA0", "/dev/ttyS0", "/dev/ttyS1", "/dev/ttyACM0", "/dev/ttyUSB2",
                                    "/dev/ttyUSB10", "/dev/ttyXR7"}));

    // The plugged-in adapter gets the highest number and is the one found.
    const auto map = ComPortMap(Declared({}, {"/dev/ttyUSB0", "/dev/ttyS0", "/dev/ttyS1"}));
    EXPECT_EQ(map.value(1), "/dev/ttyS0");
    EXPECT_EQ(map.value(3), "/dev/ttyUSB0");
    EXPECT_EQ(FindComPort(Declared({}, {"/dev/ttyUSB0", "/dev/ttyS0", "/dev/ttyS1"})), 3);

    // A declared port wins over the automatic numbering for its number only.
    const auto mixed = ComPortMap(Declared({{1, "/tmp/sim"}}, {"/dev/ttyUSB0", "/dev/ttyS0", "/dev/ttyS1"}));
    EXPECT_EQ(mixed.value(1), "/tmp/sim");
    EXPECT_EQ(mixed.value(2), "/dev/ttyS1");
    EXPECT_EQ(mixed.value(3), "/dev/ttyUSB0");
    EXPECT_EQ(ComPortMap(Declared({{1, "/tmp/sim"}}, {"/dev/ttyS0"})).size(), 1);
}

// Phantom ttyS devices, by the kernel's answer (a stand-in's, then this machine's own as sysfs
// shows it to root), get no number: the next device takes it; with only phantoms no port is found
// ("未识别串口"); a declared port counts whatever the kernel says.
TEST(ComPortNumbering, PhantomTtySGetNoNumber)
{
    const auto kernel = [](const std::string& d) { return d == "/dev/ttyS2" ? 4 : d == "/dev/ttyS9" ? -1 : 0; };
    ComPortSource s = Declared({}, {"/dev/ttyS0", "/dev/ttyS2", "/dev/ttyS9", "/dev/ttyUSB0", "/dev/ttyACM0"});
    s.phantom = [&](const QString& d) { return platform::IsPhantomSerialDevice(d.toStdString(), kernel); };
    EXPECT_EQ(ComPortMap(s).values(), (QStringList{"/dev/ttyS2", "/dev/ttyS9", "/dev/ttyACM0", "/dev/ttyUSB0"}));
    s.devices = [] { return QStringList{"/dev/ttyS0", "/dev/ttyS1"}; };
    EXPECT_EQ(FindComPort(s), -1);
    s.declared = [](int n) { return n == 3 ? QStringLiteral("/dev/ttyS1") : QString(); };
    EXPECT_EQ(FindComPort(s), 3);

    ComPortSource system = ComPortSource::System();
    system.declared = {};
    const QStringList listed = system.devices(), numbered = ComPortMap(system).values();
    int compared = 0;
    for (const QString& tty : QDir(QStringLiteral("/sys/class/tty")).entryList({QStringLiteral("ttyS*")})) {
        QFile type(QStringLiteral("/sys/class/tty/%1/type").arg(tty));
        if (!type.open(QIODevice::ReadOnly) || !listed.contains("/dev/" + tty))
            continue;
        EXPECT_EQ(numbered.contains("/dev/" + tty), type.readAll().trimmed() != "0") << tty.toStdString();
        ++compared;
    }
    if (compared == 0)
        GTEST_SKIP() << "no ttyS listed here whose UART type sysfs shows to this user";
}
#endif

TEST(SerialSettings, ParsesTheLinkSettingsAndRejectsOthers)
{
    SerialSettings s;
    ASSERT_TRUE(SerialSettings::Parse("38400,n,8,1", &s));
    EXPECT_EQ(s.baud, 38400);
    EXPECT_EQ(s.parity, 'n');
    EXPECT_EQ(s.dataBits, 8);
    EXPECT_EQ(s.stopBits, 1);
    ASSERT_TRUE(SerialSettings::Parse("9600,E,7,2", &s));
    EXPECT_EQ(s.parity, 'e');
    EXPECT_EQ(s.stopBits, 2);
    for (const char* bad : {"", "38400", "38400,n,8", "x,n,8,1", "38400,q,8,1", "38400,n,9,1", "38400,n,8,3", "-5,n,8,1"})
        EXPECT_FALSE(SerialSettings::Parse(bad, &s)) << bad;
}

struct CommTest : ::testing::Test {
    FakeSerialDevice* device = new FakeSerialDevice;
    CMSComm comm{std::unique_ptr<ISerialDevice>(device)};

    void Configure()
    {
        comm.SetCommPort(3);
        comm.SetInBufferSize(1024);
        comm.SetInputLen(0);
        comm.SetInputMode(kComInputModeBinary);
        comm.SetRThreshold(9);
        comm.SetSettings("38400,n,8,1");
    }
};

TEST_F(CommTest, RaisesTheReceiveEventFromNineBytesAndHandsOverEverything)
{
    Configure();
    ASSERT_TRUE(comm.SetPortOpen(true));
    EXPECT_TRUE(comm.GetPortOpen());
    EXPECT_EQ(device->openedPort, 3);
    EXPECT_EQ(device->openedSettings.baud, 38400);
    QSignalSpy spy(&comm, &CMSComm::OnComm);
    device->Receive(QByteArray(8, 'a'));
    EXPECT_EQ(spy.count(), 0);
    device->Receive(QByteArray(1, 'b'));
    ASSERT_EQ(spy.count(), 1);
    EXPECT_EQ(comm.GetCommEvent(), kComEvReceive);
    EXPECT_EQ(comm.GetInBufferCount(), 9);
    EXPECT_EQ(comm.GetInput(), QByteArray(8, 'a') + "b");
    EXPECT_EQ(comm.GetInBufferCount(), 0);
}

TEST_F(CommTest, ReceiveBufferKeepsTheNewestBytesAndCanBeDropped)
{
    Configure();
    comm.SetRThreshold(0); // no events: let the bytes pile up
    ASSERT_TRUE(comm.SetPortOpen(true));
    device->Receive(QByteArray(1000, 'o'));
    device->Receive(QByteArray(100, 'n'));
    EXPECT_EQ(comm.GetInBufferCount(), 1024);
    const QByteArray in = comm.GetInput();
    EXPECT_EQ(in.size(), 1024);
    EXPECT_EQ(in.right(100), QByteArray(100, 'n'));
    device->Receive("xyz");
    comm.SetInputLen(2);
    EXPECT_EQ(comm.GetInput(), "xy");
    comm.SetInBufferCount(0);
    EXPECT_EQ(comm.GetInBufferCount(), 0);
}

TEST_F(CommTest, RefusedOpenReportsTheReasonAndStaysClosed)
{
    Configure();
    device->refuse = "port busy";
    QString error;
    EXPECT_FALSE(comm.SetPortOpen(true, &error));
    EXPECT_EQ(error, "port busy");
    EXPECT_FALSE(comm.GetPortOpen());
    QSignalSpy spy(&comm, &CMSComm::OnComm);
    device->Receive(QByteArray(20, 'x'));
    EXPECT_EQ(spy.count(), 0) << "a closed port raises nothing";

    device->refuse.clear();
    comm.SetSettings("fast please");
    EXPECT_FALSE(comm.SetPortOpen(true, &error));
    EXPECT_FALSE(error.isEmpty());
    EXPECT_FALSE(device->IsOpen());
}

TEST_F(CommTest, VanishedDeviceClosesThePortOnceAndKeepsItsSettings)
{
    Configure();
    ASSERT_TRUE(comm.SetPortOpen(true));
    QSignalSpy lost(&comm, &CMSComm::OnPortLost);
    device->Receive("abc");
    device->Vanish();
    ASSERT_EQ(lost.count(), 1);
    EXPECT_FALSE(comm.GetPortOpen());
    EXPECT_EQ(comm.GetInBufferCount(), 0);
    EXPECT_EQ(comm.GetCommPort(), 3);
    EXPECT_EQ(comm.GetSettings(), "38400,n,8,1");
    device->Vanish();
    EXPECT_EQ(lost.count(), 1) << "reported once";

    // The same port opens again; a close asked for is no loss.
    ASSERT_TRUE(comm.SetPortOpen(true));
    EXPECT_EQ(device->openCount, 2);
    ASSERT_TRUE(comm.SetPortOpen(false));
    EXPECT_EQ(lost.count(), 1);
}

TEST_F(CommTest, CloseDropsWaitingBytes)
{
    Configure();
    comm.SetRThreshold(100);
    ASSERT_TRUE(comm.SetPortOpen(true));
    device->Receive(QByteArray(20, 'x'));
    ASSERT_TRUE(comm.SetPortOpen(false));
    EXPECT_FALSE(device->IsOpen());
    EXPECT_EQ(comm.GetInBufferCount(), 0);
    ASSERT_TRUE(comm.SetPortOpen(true));
    EXPECT_EQ(comm.GetInBufferCount(), 0);
}

} // namespace
