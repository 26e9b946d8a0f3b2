#pragma once
// Keyboard shortcuts of the windows' buttons, named in their tool tips so that
// the mouse user learns them. UI thread only.

#include <QKeySequence>
#include <QList>
#include <QString>

class QAbstractButton;

// The tool tip `hint` followed by the keys: "Stop testing (Esc, F8)".
QString HintWithKeys(const QString& hint, const QList<QKeySequence>& keys);

// Each of `keys`, pressed anywhere in the button's window, clicks the button
// (nothing happens while it is disabled); its tool tip names the keys.
void AddButtonKeys(QAbstractButton* button, const QList<QKeySequence>& keys);
