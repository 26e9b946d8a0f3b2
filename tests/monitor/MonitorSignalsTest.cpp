// Signals in the bus monitor's core: a frame's signal lines (units, value
// table labels, the active multiplexer only) and the chronological view's
// rows while frames are expanded to them.

#include "MonitorSignals.h"

#include <gtest/gtest.h>

namespace {

// Temp: 12 bits from bit 4, scaled; Gear with a value table; Mux: its
// multiplexor selects A (m1) or B (m2); 0x18FF0001 is a 29-bit message.
const char* const kDbc = "BO_ 256 Engine: 8 E\n"
                         " SG_ Temp : 4|12@1- (0.5,-40) [0|0] \"degC\" X\n"
                         " SG_ Gear : 16|8@1+ (1,0) [0|0] \"\" X\n"
                         "BO_ 512 Mux: 8 E\n"
                         " SG_ Sel M : 0|8@1+ (1,0) [0|0] \"\" X\n"
                         " SG_ A m1 : 8|8@1+ (1,0) [0|0] \"V\" X\n"
                         " SG_ B m2 : 8|8@1+ (2,0) [0|0] \"A\" X\n"
                         "BO_ 2566848513 Ext: 1 E\n"
                         " SG_ X : 0|8@1+ (1,0) [0|0] \"\" X\n"
                         "VAL_ 256 Gear 1 \"First\" 2 \"Second\" ;\n";

MonitorFrame Frame(uint32_t id, std::initializer_list<uint8_t> bytes, uint8_t flags = 0) {
    MonitorFrame f;
    f.id = id;
    f.flags = flags;
    f.len = static_cast<uint8_t>(bytes.size());
    std::copy(bytes.begin(), bytes.end(), f.data.begin());
    return f;
}

struct LinesCase {
    const char* what;
    MonitorFrame frame;
    std::vector<std::string> lines;
};

TEST(MonitorSignals, AFramesLinesNameValueUnitAndLabelOfItsActiveSignals) {
    const dbc::Database db = dbc::parseDbc(kDbc, "t.dbc");
    const LinesCase cases[] = {
        {"units and a label",
         Frame(0x100, {0x50, 0x01, 2}),
         {"Temp = -29.5 degC", "Gear = 2 (Second)"}},
        {"a raw value without a label",
         Frame(0x100, {0x50, 0x01, 7}),
         {"Temp = -29.5 degC", "Gear = 7"}},
        {"too short for Gear", Frame(0x100, {0x50, 0x01}), {"Temp = -29.5 degC"}},
        {"multiplexor 1", Frame(0x200, {1, 5}), {"Sel = 1", "A = 5 V"}},
        {"multiplexor 2", Frame(0x200, {2, 5}), {"Sel = 2", "B = 10 A"}},
        {"a multiplexor value of no signal", Frame(0x200, {3, 5}), {"Sel = 3"}},
        {"a remote frame", Frame(0x100, {}, MonitorFrame::kRemote), {}},
        {"no such message", Frame(0x101, {1, 2, 3}), {}},
        {"29 bits", Frame(0x18FF0001, {9}, MonitorFrame::kExtended), {"X = 9"}},
        {"the same number in 11 bits", Frame(0x001, {9}), {}},
    };
    for (const LinesCase& c : cases)
        EXPECT_EQ(signalLines(db, c.frame), c.lines) << c.what;
    ASSERT_NE(monitorMessage(db, Frame(0x200, {})), nullptr);
    EXPECT_EQ(monitorMessage(db, Frame(0x200, {}))->name, "Mux");
}

using Place = ExpandedFrames::Place;

std::vector<std::string> Lines(size_t n) {
    return std::vector<std::string>(n, "line");
}

// Frames 0..7 with frame 2 expanded to 3 lines and frame 5 to 1.
TEST(ExpandedFrames, RowsFollowTheExpandedFramesThroughRemovalsAtTheFront) {
    ExpandedFrames e;
    e.expand(5, Lines(1));
    e.expand(2, Lines(3));
    EXPECT_EQ(e.rowCount(8), 12u);
    const Place places[] = {{0, -1}, {1, -1}, {2, -1}, {2, 0}, {2, 1},  {2, 2},
                            {3, -1}, {4, -1}, {5, -1}, {5, 0}, {6, -1}, {7, -1}};
    for (size_t row = 0; row < std::size(places); ++row) {
        EXPECT_EQ(e.place(row), places[row]) << row;
        if (places[row].line < 0) {
            EXPECT_EQ(e.rowOf(places[row].frame), row);
        }
    }
    EXPECT_EQ(e.rowOf(8), 12u); // one past the last
    EXPECT_EQ(e.lines(4), nullptr);
    ASSERT_NE(e.lines(2), nullptr);

    // Frames 0..2 leave: frame 2's lines with them, frame 5 becomes frame 2.
    e.remove(0, 2);
    EXPECT_EQ(e.rowCount(5), 6u);
    EXPECT_EQ(e.place(2), (Place{2, -1}));
    EXPECT_EQ(e.place(3), (Place{2, 0}));
    EXPECT_EQ(e.place(4), (Place{3, -1}));
    EXPECT_EQ(e.lines(5), nullptr);

    e.collapse(2);
    EXPECT_EQ(e.rowCount(5), 5u);
    EXPECT_EQ(e.place(4), (Place{4, -1}));
    e.expand(0, Lines(2));
    e.clear();
    EXPECT_EQ(e.rowCount(5), 5u);
    EXPECT_EQ(e.lines(0), nullptr);
}

} // namespace
