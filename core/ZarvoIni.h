#pragma once
// Zarvo.ini in the program's folder: the virtual port and the bit rate.

#include <QString>

// Reads ZarvoPort and ZarvoBaudRate from `folder`/Zarvo.ini. Returns 0 when
// read, -1 when the file is missing, -2 when it has no port section (the values
// are then unchanged). Throws ConvertError for a value that is not a number.
int ReadZarvoIni(const QString& folder);

// Stores the current ZarvoPort and ZarvoBaudRate, keeping the file's other
// sections and keys. Throws ConfigWriteError when the file cannot be written.
void WriteZarvoIni(const QString& folder);
