#pragma once
// Kestrel's windows: each a single instance, created at start-up in a fixed
// order, reachable through its Form_ reference and living until the program
// ends. UI thread only.

#include "AppPaths.h"
#include "SystemLog.h"
#include "ZarvoApi.h"

#include <QString>
#include <functional>
#include <memory>
#include <vector>

class QWidget;
class UserDialogs;

class KestrelWindows {
public:
    // Creates the windows in order: main window, test configuration editor,
    // test item dialog, CAN hardware configuration, About, wait message,
    // single transmit dialog, trend window, bus monitor; those that reach the
    // driver get `driver`. Throws what the main window's construction throws
    // (a driver settings file it cannot read).
    explicit KestrelWindows(UserDialogs& dialogs, const QString& programFolder = ProgramFolder(),
                            const QString& logFolder = DefaultLogFolder(),
                            const ZarvoBinding& driver = builtinZarvoBinding());
    ~KestrelWindows();
    KestrelWindows(const KestrelWindows&) = delete;
    KestrelWindows& operator=(const KestrelWindows&) = delete;

private:
    template <typename Window, typename... Args> void create(Window*& reference, Args&&... args);

    struct Owned {
        std::unique_ptr<QWidget> window;
        std::function<void()> forget; // clears the window's Form_ reference
    };
    std::vector<Owned> windows_;
};
