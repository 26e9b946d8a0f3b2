#pragma once
// The name rule of Save as for test configuration files.

#include <QString>

// `chosen` with ".ini" appended unless it holds ".ini" or ".INI" anywhere
// (so "a.Ini" becomes "a.Ini.ini", while "a.ini.bak" stays as it is).
QString WithIniExtension(const QString& chosen);
