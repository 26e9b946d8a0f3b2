#pragma once
// Where Kestrel keeps the files that belong beside the program.

#include <QString>

// The folder of the running executable (where the logger library lies).
QString ExecutableFolder();

// The executable's folder when it is writable; otherwise (an installed copy)
// $XDG_CONFIG_HOME/kestrel, by default ~/.config/kestrel, created when missing.
// Decided once, on the first call.
QString ProgramFolder();

// The rule ProgramFolder() applies to `executableFolder`.
QString ChooseProgramFolder(const QString& executableFolder);

// Makes ProgramFolder() return `folder` from now on (tests).
void SetProgramFolderForTesting(const QString& folder);
