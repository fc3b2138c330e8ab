#pragma once
// The user-facing prompts the model and the batch tool need: message boxes and the open and
// save file dialogs. Code asks ui::Current(); the application installs its Qt dialogs, tests
// install a scripted answerer, and without either the headless default answers every
// question negatively, so nothing ever blocks on a modal window it cannot show.
#include "LogFont.h"
#include "Types.h"

#include <QString>

#include <functional>
#include <optional>

namespace ui {

enum class Icon { None, Information, Question, Warning, Stop };
enum class Buttons { Ok, OkCancel, YesNo, YesNoCancel };
enum class Answer { Ok, Cancel, Yes, No };

// What a file dialog shows. The filter uses Qt's notation ("Label Files (*.vlm);;All
// Files (*.*)"); the default extension, without its dot, is added by the dialog to a typed
// name that has none. Save dialogs never ask about replacing a file: callers that need to
// ask do it themselves, with their own words.
struct FileDialog {
    QString caption;
    QString proposedName;
    QString filter;
    QString defaultExtension;
};

// What the font dialog gives back: the chosen font, its height as the screen's negative
// character height in pixels (as items store it), and the chosen text colour.
struct FontChoice {
    LogFont font;
    COLORREF color = 0;
};

class Ui {
public:
    virtual ~Ui() = default;
    virtual Answer MessageBox(const QString& caption, const QString& text, Icon icon,
                              Buttons buttons) = 0;
    // The chosen path, or nothing when the user cancels.
    virtual std::optional<QString> GetOpenFileName(const FileDialog& dialog) = 0;
    virtual std::optional<QString> GetSaveFileName(const FileDialog& dialog) = 0;
    // The colour dialog, opened on initial; nothing when the user cancels.
    virtual std::optional<COLORREF> ChooseColor(COLORREF initial) = 0;
    // The font dialog, opened on font and color; nothing when the user cancels.
    virtual std::optional<FontChoice> ChooseFont(const LogFont& font, COLORREF color) = 0;
};

// The answer a user who declines everything gives: No to a Yes/No question, Cancel where
// there is a Cancel button, Ok to a notice.
Answer DecliningAnswer(Buttons buttons);

// Answers without a user: questions get DecliningAnswer, dialogs are cancelled, and every
// message is handed to the sink as one line, "caption: text" with its line breaks turned
// into spaces. Without a sink the lines go to standard error.
class HeadlessUi : public Ui {
public:
    using Sink = std::function<void(const QString& line)>;
    explicit HeadlessUi(Sink sink = {});
    Answer MessageBox(const QString& caption, const QString& text, Icon icon,
                      Buttons buttons) override;
    std::optional<QString> GetOpenFileName(const FileDialog& dialog) override;
    std::optional<QString> GetSaveFileName(const FileDialog& dialog) override;
    std::optional<COLORREF> ChooseColor(COLORREF initial) override;
    std::optional<FontChoice> ChooseFont(const LogFont& font, COLORREF color) override;

private:
    Sink sink_;
};

// The process-wide instance: the one installed last, or a HeadlessUi writing to stderr.
Ui& Current();
// Installs ui (nullptr restores the headless default) and returns the one it replaces.
Ui* SetCurrent(Ui* ui);

// Installs a Ui for the lifetime of the guard and puts the previous one back afterwards.
class ScopedUi {
public:
    explicit ScopedUi(Ui& ui) : previous_(SetCurrent(&ui)) {}
    ~ScopedUi() { SetCurrent(previous_); }
    ScopedUi(const ScopedUi&) = delete;
    ScopedUi& operator=(const ScopedUi&) = delete;

private:
    Ui* previous_;
};

} // namespace ui
