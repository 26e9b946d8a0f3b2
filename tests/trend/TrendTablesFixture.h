#pragma once
// The trend tables emptied before each test, in a program folder of the
// test's own, with English phrases.

#include "AppPaths.h"
#include "Globals.h"
#include "Phrases.h"
#include "TrendPages.h"

#include <QTemporaryDir>
#include <gtest/gtest.h>

class TrendTablesTest : public ::testing::Test {
protected:
    void SetUp() override {
        ASSERT_TRUE(dir.isValid());
        SetProgramFolderForTesting(dir.path());
        SetLanguage(0);
        Global_TrendCAN = type_TrendCAN{};
        Global_Formula = type_Formula{};
    }

    static void Add(const char* d1, const char* d2, const char* id, int type = 0, int range = 0) {
        ASSERT_EQ(CheckNewTrendEntry({d1, d2, id, type, range}), AddRefusal::None);
        AppendTrendEntry({d1, d2, id, type, range});
    }

    QTemporaryDir dir;
};
