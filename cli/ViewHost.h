#pragma once
// A plain window around one label view over one document: the batch tool's "view" command
// shows a project in it to try the editor before the main window exists.
#include <QString>

class CVellumarkDoc;

namespace cli {

// Shows the document until the window is closed; path is where Save writes (empty: Save
// asks). Returns the application's exit code.
int RunViewHost(CVellumarkDoc& doc, const QString& path);

} // namespace cli
