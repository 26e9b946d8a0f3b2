#pragma once
// Shared set-up of the main window tests: temporary program and log folders,
// scripted dialogs, the recording driver fake and a clean test item table.

#include "FakeZarvo.h"
#include "MainKestrel.h"
#include "ScriptedDialogs.h"

#include <QTemporaryDir>
#include <gtest/gtest.h>
#include <memory>

class AppFixture : public ::testing::Test {
protected:
    AppFixture();
    ~AppFixture() override;

    std::unique_ptr<TForm_MainKestrel> makeMainWindow();

    // A test configuration file `name` in the program folder with `items`
    // items named "Item <n>" / "Param <n>"; `extraKey` goes into the last item.
    QString writeConfig(const QString& name, int items, const QString& extraKey = {});
    // Creates an empty file in the program folder.
    void touch(const QString& name);
    QString programPath(const QString& name) const;
    // Everything written to today's system log so far.
    QString logText() const;

    template <typename T> static T* child(const QObject* window, const char* name) {
        T* found = window->findChild<T*>(QString::fromLatin1(name));
        EXPECT_NE(found, nullptr) << name;
        return found;
    }

    QTemporaryDir programDir;
    QTemporaryDir logDir;
    ScriptedDialogs dialogs;
    FakeZarvo driver;
};
