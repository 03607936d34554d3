#pragma once

#include <QString>

namespace mobrel {

// The system folders, each ending in "/", or "" when unknown. Linux has no Windows folder and
// no Windows system folder; their counterparts are the folder of the system-wide settings
// ("/etc/") and of the system libraries ("/usr/lib/"). The temporary folder honours TMPDIR.
// A found folder is kept for the life of the thread; a failed look-up is tried again.
QString WinDir();
QString SysDir();
QString TempDir();

// The name of the effective user, "none" when the system has none.
QString GetLogonUser();

// The host name, "" when the system reports none.
QString GetComputerNameText();

// A new GUID as 32 upper-case hexadecimal digits, without braces or dashes.
QString NewGuidText();

}  // namespace mobrel
