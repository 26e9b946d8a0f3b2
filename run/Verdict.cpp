#include "Verdict.h"

Expectation Expectation::ofItem(const type_CustomerCMD& table, int item) {
    Expectation e;
    e.id = table.Comp_CANID[item];
    e.mode = table.Comp_CANMode[item];
    e.rtr = table.Comp_CANRTR[item];
    e.len = table.Comp_CANLen[item];
    for (int d = 0; d < kCanDataBytes; ++d)
        e.data[static_cast<size_t>(d)] = table.Comp_CANData[item][d];
    return e;
}

bool Expectation::comparesAnything() const {
    bool any = id != kCompareWildcard || mode != kCompareWildcard || rtr != kCompareWildcard ||
               len != kCompareWildcard;
    for (int32_t byte : data)
        any = any || byte != kCompareWildcard;
    return any;
}

QString Verdict::resultText() const {
    switch (outcome) {
    case Passed:
    case Failed:
        return QString::number(resultCode);
    case NoResponse:
    case NotCompared:
        return QStringLiteral("--");
    case NotFinished:
        break;
    }
    return {};
}

QString Verdict::word() const {
    static const char* const words[] = {"passed", "failed", "no response", "not compared",
                                        "not finished"};
    return QString::fromLatin1(words[outcome]);
}

QString Verdict::failureText() const {
    if (outcome == Failed)
        return QStringLiteral("Result %1: %2").arg(resultText(), remarks());
    return accepted() ? QString() : word();
}

Verdict Judge(const Expectation& expected, const std::optional<Response>& response, bool finished) {
    if (!finished)
        return {Verdict::NotFinished, 0, {}};
    if (!expected.comparesAnything())
        return {Verdict::NotCompared, 0, {}};
    if (!response)
        return {Verdict::NoResponse, 0, {}};
    Verdict v{Verdict::Passed, 0, {}};
    auto compare = [&v](int32_t want, int64_t got, uint32_t bit, const QString& name) {
        if (want == kCompareWildcard || got == want)
            return;
        v.outcome = Verdict::Failed;
        v.resultCode |= bit;
        v.differing << name;
    };
    compare(expected.id, static_cast<int32_t>(response->id), kMismatchID, QStringLiteral("ID"));
    compare(expected.mode, response->mode, kMismatchMode, QStringLiteral("Mode"));
    compare(expected.rtr, response->rtr, kMismatchRTR, QStringLiteral("RTR"));
    compare(expected.len, response->len, kMismatchLen, QStringLiteral("Len"));
    for (int d = 0; d < kCanDataBytes; ++d) {
        const auto i = static_cast<size_t>(d);
        compare(expected.data[i], response->data[i], kMismatchData0 << d,
                QStringLiteral("D%1").arg(d + 1));
    }
    return v;
}

VerdictCounts CountVerdicts(const std::vector<std::optional<Verdict>>& verdicts) {
    VerdictCounts counts;
    for (const std::optional<Verdict>& v : verdicts) {
        if (!v)
            continue;
        ++counts.items;
        switch (v->outcome) {
        case Verdict::Passed:
            ++counts.passed;
            break;
        case Verdict::Failed:
        case Verdict::NoResponse:
            ++counts.failed;
            break;
        case Verdict::NotCompared:
            ++counts.notCompared;
            break;
        case Verdict::NotFinished:
            ++counts.notFinished;
            break;
        }
    }
    return counts;
}
