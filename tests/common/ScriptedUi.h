#pragma once
// A Ui for tests: installs itself for its lifetime, records every prompt, and answers from
// a queue the test fills beforehand. A prompt the queue does not expect (none left, or an
// answer of another kind is next) fails the test and is declined; answers left unused fail
// the test when the ScriptedUi goes.
#include "Ui.h"

#include <deque>
#include <optional>
#include <string>
#include <vector>

namespace testsupport {

class ScriptedUi : public ui::Ui {
public:
    enum class Kind { Message, OpenFile, SaveFile, Color, Font };

    struct Call {
        Kind kind = Kind::Message;
        QString caption;
        QString text; // message text; unused for dialogs
        ui::Icon icon = ui::Icon::None;
        ui::Buttons buttons = ui::Buttons::Ok;
        ui::FileDialog dialog; // file dialogs only
        COLORREF color = 0;    // colour and font dialogs: the colour they open with
        LogFont font;          // font dialog: the font it opens with
    };

    ScriptedUi();
    ~ScriptedUi() override;
    ScriptedUi(const ScriptedUi&) = delete;
    ScriptedUi& operator=(const ScriptedUi&) = delete;

    // Queue the answer to the next message box, open dialog or save dialog.
    ScriptedUi& AnswerMessage(ui::Answer answer);
    ScriptedUi& AnswerOpenFile(std::optional<QString> path);
    ScriptedUi& AnswerSaveFile(std::optional<QString> path);
    // Queue the answer to the next colour or font dialog; nothing cancels it.
    ScriptedUi& AnswerColor(std::optional<COLORREF> color);
    ScriptedUi& AnswerFont(std::optional<ui::FontChoice> choice);

    const std::vector<Call>& Calls() const { return calls_; }
    // The calls as "kind|caption|icon|buttons" lines, for compact expectations.
    std::vector<std::string> Summary() const;
    std::size_t Pending() const { return queue_.size(); }

    ui::Answer MessageBox(const QString& caption, const QString& text, ui::Icon icon,
                          ui::Buttons buttons) override;
    std::optional<QString> GetOpenFileName(const ui::FileDialog& dialog) override;
    std::optional<QString> GetSaveFileName(const ui::FileDialog& dialog) override;
    std::optional<COLORREF> ChooseColor(COLORREF initial) override;
    std::optional<ui::FontChoice> ChooseFont(const LogFont& font, COLORREF color) override;

private:
    struct Queued {
        Kind kind = Kind::Message;
        ui::Answer answer = ui::Answer::Cancel;
        QString path; // the file dialogs' answer; empty when they are cancelled
        std::optional<COLORREF> color;
        std::optional<ui::FontChoice> font;
    };
    // The queued answer for a call of this kind, or nothing (after failing the test).
    std::optional<Queued> Take(const Call& call);

    std::vector<Call> calls_;
    std::deque<Queued> queue_;
    ui::Ui* previous_ = nullptr;
};

const char* KindName(ScriptedUi::Kind kind);
const char* IconName(ui::Icon icon);
const char* ButtonsName(ui::Buttons buttons);

} // namespace testsupport
