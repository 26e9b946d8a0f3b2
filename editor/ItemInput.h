#pragma once
// The checks of the test item dialog's OK, apart from the dialog: the typed
// texts and switches in, the item's values or the message of the first
// failing check out. No widgets.

#include "TestItemEdit.h"

#include <QString>
#include <array>
#include <optional>
#include <variant>

// What the dialog's fields hold. A list with no entry chosen is -1; an
// unchecked compare field is std::nullopt.
struct ItemInput {
    QString description1;
    QString description2;
    int mode = 0;
    int rtr = 0;
    int length = 0;
    QString id;
    std::array<QString, kCanDataBytes> data;
    QString interval;
    QString totalTimes;
    QString nextTime;
    std::optional<int> compMode;
    std::optional<QString> compId;
    std::optional<int> compRtr;
    std::optional<int> compLength;
    std::array<std::optional<QString>, kCanDataBytes> compData;
};

// The accepted item, or the text of the information box of the first failing
// check, in the order the dialog checks its fields.
std::variant<TestItemValues, QString> CheckItemInput(const ItemInput& input);
