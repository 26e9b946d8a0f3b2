#include "KeyShortcuts.h"

#include <QAbstractButton>
#include <QShortcut>
#include <QStringList>

QString HintWithKeys(const QString& hint, const QList<QKeySequence>& keys) {
    QStringList names;
    for (const QKeySequence& key : keys)
        names << key.toString(QKeySequence::NativeText);
    const QString list = QLatin1Char('(') + names.join(QStringLiteral(", ")) + QLatin1Char(')');
    return hint.isEmpty() ? list : hint + QLatin1Char(' ') + list;
}

void AddButtonKeys(QAbstractButton* button, const QList<QKeySequence>& keys) {
    for (const QKeySequence& key : keys) {
        auto* shortcut = new QShortcut(key, button->window());
        // click() does nothing on a disabled button, as a mouse click would.
        QObject::connect(shortcut, &QShortcut::activated, button, &QAbstractButton::click);
    }
    button->setToolTip(HintWithKeys(button->toolTip(), keys));
}
