#pragma once
// Zarvo.ini in the program's folder: the virtual port and the bit rate.

#include "IniFile.h"

#include <QList>
#include <QString>

// Reads ZarvoPort and ZarvoBaudRate from `folder`/Zarvo.ini. Returns 0 when
// read, -1 when the file is missing, -2 when it has no port section (the values
// are then unchanged). Throws ConvertError for a value that is not a number.
// A port beyond 0..255 keeps its low 8 bits and a negative bit rate is taken
// as the unsigned number of the same bits; these and the file's lines without
// "=" are logged and, when `warnings` is given, added to it.
int ReadZarvoIni(const QString& folder, QList<IniWarning>* warnings = nullptr);

// Stores the current ZarvoPort and ZarvoBaudRate, keeping the file's other
// sections and keys. Throws ConfigWriteError when the file cannot be written.
void WriteZarvoIni(const QString& folder);
