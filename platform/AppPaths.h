#pragma once
// Where the program's files live: read-only data shipped with the program, and the
// per-user folder that holds everything the program writes.
#include <QString>

namespace apppaths {

// The folder holding the shipped data ("lbl.ani", "Clipart", help): the executable's own
// folder in a build tree, otherwise the installed share/vellumark folder.
QString ShippedDataDir();
QString ShippedFile(const QString& name);

// $XDG_CONFIG_HOME/vellumark (default ~/.config/vellumark); created when missing.
QString UserConfigDir();

// A writable per-user copy of a shipped file. On first use the shipped file is copied
// there; when that copy cannot be made, the shipped file's own path is returned so the
// program still reads it.
QString UserFileSeeded(const QString& name);

// Per-user cache folder ($XDG_CACHE_HOME/vellumark), created when missing.
QString UserCacheDir();

} // namespace apppaths
