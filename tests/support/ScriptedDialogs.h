#pragma once
// A UserDialogs for tests: records every box shown and answers from a script.
// Unscripted confirmations answer OK; unscripted file dialogs are cancelled.

#include "UserDialogs.h"

#include <QStringList>
#include <deque>

class ScriptedDialogs : public UserDialogs {
public:
    struct Shown {
        QString kind; // "inform", "warn", "error", "confirm", "open", "save"
        QString caption;
        QString text;
    };

    std::deque<bool> confirmAnswers;
    std::deque<QString> fileAnswers;
    QList<Shown> shown;

    void inform(const QString& caption, const QString& text) override {
        record("inform", caption, text);
    }
    void warn(const QString& caption, const QString& text) override {
        record("warn", caption, text);
    }
    void error(const QString& caption, const QString& text) override {
        record("error", caption, text);
    }
    bool confirm(const QString& caption, const QString& text) override {
        record("confirm", caption, text);
        return take(confirmAnswers, true);
    }
    QString openFile(const QString& caption, const QString&, const QString&) override {
        record("open", caption, {});
        return take(fileAnswers, QString());
    }
    QString saveFile(const QString& caption, const QString&, const QString&) override {
        record("save", caption, {});
        return take(fileAnswers, QString());
    }

    // Texts of the boxes of one kind, in the order shown.
    QStringList texts(const QString& kind) const {
        QStringList out;
        for (const Shown& s : shown)
            if (s.kind == kind)
                out << s.text;
        return out;
    }

private:
    void record(const char* kind, const QString& caption, const QString& text) {
        shown.append({QString::fromLatin1(kind), caption, text});
    }
    template <typename T> static T take(std::deque<T>& queue, T fallback) {
        if (queue.empty())
            return fallback;
        T value = queue.front();
        queue.pop_front();
        return value;
    }
};
