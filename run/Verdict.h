#pragma once
// The verdict of one test item: whether the response it got matches what the
// item expects. Every place that says pass or fail (the result grid, the CSV
// report, JUnit, kestrel-cli's exit code, the main window's run summary) reads
// it from here. Pure functions: no globals, no logging.

#include "Globals.h"

#include <QString>
#include <QStringList>
#include <array>
#include <cstdint>
#include <optional>
#include <vector>

// Result code bits of the differing fields: identifier, format, RTR flag,
// length, and data byte d as kMismatchData0 << d.
inline constexpr uint32_t kMismatchID = 1;
inline constexpr uint32_t kMismatchMode = 2;
inline constexpr uint32_t kMismatchRTR = 4;
inline constexpr uint32_t kMismatchLen = 8;
inline constexpr uint32_t kMismatchData0 = 16;

// What an item expects of its response; kCompareWildcard leaves a field out.
struct Expectation {
    int32_t id = kCompareWildcard;
    int32_t mode = kCompareWildcard;
    int32_t rtr = kCompareWildcard;
    int32_t len = kCompareWildcard;
    std::array<int32_t, kCanDataBytes> data{kCompareWildcard, kCompareWildcard, kCompareWildcard,
                                            kCompareWildcard, kCompareWildcard, kCompareWildcard,
                                            kCompareWildcard, kCompareWildcard};

    // Item `item` of `table`.
    static Expectation ofItem(const type_CustomerCMD& table, int item);
    // Whether any field is compared.
    bool comparesAnything() const;
};

// The frame a response was judged on.
struct Response {
    uint32_t id = 0;
    uint8_t mode = 0;
    uint8_t rtr = 0;
    uint8_t len = 0;
    std::array<uint8_t, kCanDataBytes> data{};
};

struct Verdict {
    enum Outcome {
        Passed,      // every compared field matched
        Failed,      // a compared field differed: see resultCode and differing
        NoResponse,  // the item expects a response and got none
        NotCompared, // the item expects nothing, so any outcome is accepted
        NotFinished, // the run ended before the item did
    };
    Outcome outcome = NotFinished;
    uint32_t resultCode = 0; // the kMismatch bits of the differing fields
    QStringList differing;   // their names: "ID", "Mode", "RTR", "Len", "D1" ... "D8"

    // Passed and NotCompared; every other outcome fails the item.
    bool accepted() const { return outcome == Passed || outcome == NotCompared; }
    // The Result cell of the grid: "0" passed, the result code, or "--".
    QString resultText() const;
    // The Remarks cell: the differing fields, comma separated.
    QString remarks() const { return differing.join(QLatin1String(", ")); }
    // The fixed English word of the outcome, as CSV and JUnit carry it.
    QString word() const;
    // What kestrel-cli and JUnit say about an item that is not accepted.
    QString failureText() const;

    bool operator==(const Verdict&) const = default;
};

// The verdict of an item expecting `expected` that got `response` (none when
// it got none). `finished` tells whether the item ended before the run did.
// A received 8-bit field is compared as an unsigned number, so an expectation
// above 255 never matches; all eight data bytes are compared whatever the
// received length; the identifier is compared with all 32 bits.
Verdict Judge(const Expectation& expected, const std::optional<Response>& response,
              bool finished = true);

// Counts of a run's verdicts, for the one-line summary after a run.
struct VerdictCounts {
    int items = 0;
    int passed = 0;
    int failed = 0; // Failed and NoResponse
    int notCompared = 0;
    int notFinished = 0;
};
VerdictCounts CountVerdicts(const std::vector<std::optional<Verdict>>& verdicts);
