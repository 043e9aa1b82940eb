#include "link/port_resolver.h"

#include <QCoreApplication>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QTemporaryDir>

#include <gtest/gtest.h>

#include <string>

using namespace velmora;

namespace {

struct OrderCase {
    const char *name;
    QList<ListedPort> listed;
    QStringList numbered; // port 1 first
};

class NumberListedPortsTest : public ::testing::TestWithParam<OrderCase> { };

TEST_P(NumberListedPortsTest, Order)
{
    EXPECT_EQ(numberListedPorts(GetParam().listed), GetParam().numbered);
}

INSTANTIATE_TEST_SUITE_P(Lists, NumberListedPortsTest,
    ::testing::Values(OrderCase { "usb_adapters_first",
                          { { "/dev/ttyS0", false }, { "/dev/ttyUSB0", true }, { "/dev/ttyS1", false } },
                          { "/dev/ttyUSB0", "/dev/ttyS0", "/dev/ttyS1" } },
        OrderCase { "numbers_by_value",
            { { "/dev/ttyS10", false }, { "/dev/ttyS2", false }, { "/dev/ttyS1", false } },
            { "/dev/ttyS1", "/dev/ttyS2", "/dev/ttyS10" } },
        OrderCase { "usb_group_in_natural_order",
            { { "/dev/ttyUSB10", true }, { "/dev/ttyS3", false }, { "/dev/ttyACM0", true },
                { "/dev/ttyUSB9", true } },
            { "/dev/ttyACM0", "/dev/ttyUSB9", "/dev/ttyUSB10", "/dev/ttyS3" } },
        OrderCase { "macos_names",
            { { "/dev/cu.usbserial-1420", true }, { "/dev/cu.Bluetooth-Incoming-Port", false },
                { "/dev/cu.usbserial-120", true } },
            { "/dev/cu.usbserial-120", "/dev/cu.usbserial-1420", "/dev/cu.Bluetooth-Incoming-Port" } },
        OrderCase { "none", {}, {} }),
    [](const auto &info) { return std::string(info.param.name); });

struct NaturalCase {
    const char *a;
    const char *b;
    bool less;
};

class NaturalLessTest : public ::testing::TestWithParam<NaturalCase> { };

TEST_P(NaturalLessTest, Compare)
{
    const NaturalCase &c = GetParam();
    EXPECT_EQ(naturalLess(c.a, c.b), c.less) << c.a << " < " << c.b;
}

INSTANTIATE_TEST_SUITE_P(Pairs, NaturalLessTest,
    ::testing::Values(NaturalCase { "ttyS2", "ttyS10", true }, NaturalCase { "ttyS10", "ttyS2", false },
        NaturalCase { "ttyS2", "ttyS2", false }, NaturalCase { "ttyS", "ttyS0", true },
        NaturalCase { "ttyACM0", "ttyUSB0", true }, NaturalCase { "ttyUSB007", "ttyUSB10", true },
        NaturalCase { "a9b", "a10a", true }));

// A program directory with ports/ in it, and a list of three ports.
class PinnedOrListedTest : public ::testing::Test {
protected:
    void SetUp() override
    {
        ASSERT_TRUE(dir.isValid());
        ASSERT_TRUE(QDir(dir.path()).mkdir("ports"));
        device = dir.filePath("device");
        QFile file(device);
        ASSERT_TRUE(file.open(QIODevice::WriteOnly));
    }

    PortResolver resolver()
    {
        return pinnedOrListedResolver([this] { return dir.path(); },
            [] {
                return QList<ListedPort> { { "/dev/ttyS0", false }, { "/dev/ttyUSB0", true },
                    { "/dev/ttyS1", false } };
            });
    }
    QString pin(int n) const { return dir.filePath(QStringLiteral("ports/COM%1").arg(n)); }

    QTemporaryDir dir;
    QString device;
};

TEST_F(PinnedOrListedTest, ListedPortsWithoutPins)
{
    const PortResolver resolve = resolver();
    EXPECT_EQ(resolve(1), "/dev/ttyUSB0");
    EXPECT_EQ(resolve(2), "/dev/ttyS0");
    EXPECT_EQ(resolve(3), "/dev/ttyS1");
    EXPECT_EQ(resolve(4), "");
    EXPECT_EQ(resolve(0), "");
}

TEST_F(PinnedOrListedTest, PinResolvesToItsDevice)
{
    // A link to a link, as a udev by-id path would be.
    const QString byId = dir.filePath("by-id");
    ASSERT_TRUE(QFile::link(device, byId));
    ASSERT_TRUE(QFile::link(byId, pin(2)));
    const PortResolver resolve = resolver();
    EXPECT_EQ(resolve(2), QFileInfo(device).canonicalFilePath());
    EXPECT_EQ(resolve(1), "/dev/ttyUSB0") << "other numbers keep the list";
    EXPECT_EQ(resolve(3), "/dev/ttyS1") << "a pin does not shift the list";
}

TEST_F(PinnedOrListedTest, UnpluggedPinDoesNotFallBackToTheList)
{
    ASSERT_TRUE(QFile::link(dir.filePath("unplugged"), pin(1)));
    EXPECT_EQ(resolver()(1), "");
}

TEST(DefaultPortResolver, LooksBesideTheProgram)
{
    const QString ports = QDir(QCoreApplication::applicationDirPath()).filePath("ports");
    const bool madePorts = !QFileInfo::exists(ports);
    ASSERT_TRUE(QDir().mkpath(ports));
    // A number no one else pins in the test directory.
    const QString pin = QDir(ports).filePath("COM9731");
    QFile::remove(pin);
    ASSERT_TRUE(QFile::link("/dev/null", pin));
    const QString resolved = defaultPortResolver()(9731);
    QFile::remove(pin);
    if (madePorts)
        QDir().rmdir(ports);
    EXPECT_EQ(resolved, "/dev/null");
}

} // namespace
