// The views of the CAN hardware window built from a port table, and the
// entries of its lists, without a window.

#include "ZarvoDevices.h"

#include "FakeZarvo.h"

#include <gtest/gtest.h>

namespace {

FakeZarvoPort Port(uint32_t type, uint32_t module, const char* name, uint8_t canPort = 0,
                   std::array<uint8_t, 4> ip = {}) {
    return {type, module, name, "v1", canPort, ip};
}

// The tree as "Series: module, module | Series: ..." for compact expectations.
QString TreeText(const std::vector<SeriesNode>& tree) {
    QStringList tops;
    for (const SeriesNode& series : tree) {
        QStringList modules;
        for (const ModuleNode& m : series.modules)
            modules << m.text;
        tops << series.text + QStringLiteral(": ") + modules.join(QStringLiteral(", "));
    }
    return tops.join(QStringLiteral(" | "));
}

struct ViewCase {
    const char* what;
    std::vector<FakeZarvoPort> ports;
    const char* tree;
    std::vector<QStringList> someRows; // the first rows, as far as given
};

void PrintTo(const ViewCase& c, std::ostream* os) {
    *os << c.what;
}

class DeviceViewsTest : public ::testing::TestWithParam<ViewCase> {};

TEST_P(DeviceViewsTest, BuiltFromThePortTable) {
    const ViewCase& c = GetParam();
    FakeZarvo fake;
    fake.setPorts(c.ports);
    const DeviceViews views = BuildDeviceViews(fake.binding(), ReadZarvoPortTable(fake.binding()));
    EXPECT_EQ(views.rows.size(), c.ports.size()) << c.what;
    EXPECT_EQ(TreeText(views.tree), QString::fromUtf8(c.tree)) << c.what;
    for (size_t r = 0; r < c.someRows.size(); ++r)
        EXPECT_EQ(views.rows.at(r), c.someRows[r]) << c.what << " row " << r;
}

INSTANTIATE_TEST_SUITE_P(
    Cases, DeviceViewsTest,
    ::testing::Values(
        ViewCase{"no module", {}, "", {}},
        ViewCase{"two ports of one serial module",
                 {Port(1001, 3, "Serial (slcan)", 0), Port(1001, 3, "Serial (slcan)", 1)},
                 "Serial (slcan) Series: Serial (slcan) (COM 3)",
                 {{"  0", "Serial (slcan)", "COM 3", "0", "v1"},
                  {"  1", "Serial (slcan)", "COM 3", "1", "v1"}}},
        ViewCase{"alternating kinds",
                 {Port(2005, 1, "PCI"), Port(1001, 2, "COM"), Port(2005, 1, "PCI")},
                 "PCI Series: PCI (Board 1, Ports 8) | COM Series: COM (COM 2) | "
                 "PCI Series: PCI (Board 1, Ports 8)",
                 {{"  0", "PCI", "Board 1", "0", "v1"}}},
        ViewCase{
            "module numbers count per kind",
            {Port(3000, 0, "SocketCAN"), Port(3100, 0, "Simulator", 0),
             Port(3100, 0, "Simulator", 1)},
            "SocketCAN Series: SocketCAN (ID 0) | Simulator Series: Simulator (ID 0)",
            {{"  0", "SocketCAN", "ID 0", "0", "v1"}, {"  1", "Simulator", "ID 0", "0", "v1"}}},
        ViewCase{"Qt virtual CAN shows its address",
                 {Port(1000, 5, "Qt VirtualCAN", 1, {127, 0, 0, 1}), Port(3001, 0, "PCAN")},
                 "Qt VirtualCAN Series: Qt VirtualCAN (127.0.0.1) | PCAN Series: PCAN (ID 0)",
                 {{"  0", "Qt VirtualCAN", "127.0.0.1", "1", "v1"}}}));

TEST(PortList, FixedEntriesThenEveryReportedPortUpToTheBuffers) {
    struct {
        int reported, selected, size;
    } const cases[] = {{0, -1, 8}, {3, 7, 8}, {12, 0, 12}, {2, 20, 21}, {60, -1, 50}, {2, 200, 50}};
    for (const auto& c : cases)
        EXPECT_EQ(PortListSize(c.reported, c.selected), c.size) << c.reported << "/" << c.selected;
    EXPECT_EQ(PortListEntry(0), QStringLiteral("CAN 0"));
    EXPECT_EQ(PortListEntry(6), QStringLiteral("CAN 6"));
    EXPECT_EQ(PortListEntry(7), QString());
    EXPECT_EQ(PortListEntry(8), QStringLiteral("CAN 8"));
}

TEST(BitRateList, EntriesAndBitRatesMatchBothWays) {
    const QStringList entries = BitRateEntries();
    ASSERT_EQ(entries.size(), 9);
    EXPECT_EQ(entries.front(), QStringLiteral("10 Kbps"));
    EXPECT_EQ(entries.back(), QStringLiteral("1000 Kbps"));
    for (int i = 0; i < entries.size(); ++i) {
        const uint32_t rate = entries[i].section(QLatin1Char(' '), 0, 0).toUInt() * 1000;
        EXPECT_EQ(BitRateOfEntry(i), rate) << i;
        EXPECT_EQ(BitRateIndex(rate), i) << i;
    }
    EXPECT_EQ(BitRateIndex(33333), std::nullopt);
    EXPECT_EQ(BitRateOfEntry(-1), std::nullopt);
    EXPECT_EQ(BitRateOfEntry(9), std::nullopt);
}

TEST(DriverInfoLine, FromThe77thCharacterAtMost128) {
    const QString heading(76, QLatin1Char('h'));
    EXPECT_EQ(DriverInfoLine(QStringLiteral("short")), QString());
    EXPECT_EQ(DriverInfoLine(heading + QStringLiteral("Version 1.")), QStringLiteral("Version 1."));
    EXPECT_EQ(DriverInfoLine(heading + QString(200, QLatin1Char('x'))),
              QString(128, QLatin1Char('x')));
}

} // namespace
