#include "ScriptedUi.h"

#include <gtest/gtest.h>

namespace testsupport {

const char* KindName(ScriptedUi::Kind kind) {
    switch (kind) {
    case ScriptedUi::Kind::Message:
        return "message";
    case ScriptedUi::Kind::OpenFile:
        return "open";
    case ScriptedUi::Kind::SaveFile:
        return "save";
    case ScriptedUi::Kind::Color:
        return "color";
    case ScriptedUi::Kind::Font:
        return "font";
    }
    return "?";
}

const char* IconName(ui::Icon icon) {
    switch (icon) {
    case ui::Icon::None:
        return "none";
    case ui::Icon::Information:
        return "information";
    case ui::Icon::Question:
        return "question";
    case ui::Icon::Warning:
        return "warning";
    case ui::Icon::Stop:
        return "stop";
    }
    return "?";
}

const char* ButtonsName(ui::Buttons buttons) {
    switch (buttons) {
    case ui::Buttons::Ok:
        return "ok";
    case ui::Buttons::OkCancel:
        return "ok-cancel";
    case ui::Buttons::YesNo:
        return "yes-no";
    case ui::Buttons::YesNoCancel:
        return "yes-no-cancel";
    }
    return "?";
}

ScriptedUi::ScriptedUi() : previous_(ui::SetCurrent(this)) {}

ScriptedUi::~ScriptedUi() {
    ui::SetCurrent(previous_);
    EXPECT_TRUE(queue_.empty()) << queue_.size() << " scripted answer(s) never asked for, the next "
                                << KindName(queue_.front().kind);
}

ScriptedUi& ScriptedUi::AnswerMessage(ui::Answer answer) {
    Queued q;
    q.kind = Kind::Message;
    q.answer = answer;
    queue_.push_back(q);
    return *this;
}

ScriptedUi& ScriptedUi::AnswerOpenFile(std::optional<QString> path) {
    Queued q;
    q.kind = Kind::OpenFile;
    q.path = path.value_or(QString());
    queue_.push_back(q);
    return *this;
}

ScriptedUi& ScriptedUi::AnswerSaveFile(std::optional<QString> path) {
    Queued q;
    q.kind = Kind::SaveFile;
    q.path = path.value_or(QString());
    queue_.push_back(q);
    return *this;
}

ScriptedUi& ScriptedUi::AnswerColor(std::optional<COLORREF> color) {
    Queued q;
    q.kind = Kind::Color;
    q.color = color;
    queue_.push_back(q);
    return *this;
}

ScriptedUi& ScriptedUi::AnswerFont(std::optional<ui::FontChoice> choice) {
    Queued q;
    q.kind = Kind::Font;
    q.font = choice;
    queue_.push_back(q);
    return *this;
}

std::vector<std::string> ScriptedUi::Summary() const {
    std::vector<std::string> out;
    for (const Call& c : calls_) {
        std::string line = std::string(KindName(c.kind)) + "|" + c.caption.toStdString();
        if (c.kind == Kind::Message)
            line += std::string("|") + IconName(c.icon) + "|" + ButtonsName(c.buttons);
        out.push_back(line);
    }
    return out;
}

std::optional<ScriptedUi::Queued> ScriptedUi::Take(const Call& call) {
    calls_.push_back(call);
    if (queue_.empty() || queue_.front().kind != call.kind) {
        ADD_FAILURE() << "unexpected " << KindName(call.kind) << " \"" << call.caption.toStdString()
                      << "\": " << call.text.toStdString()
                      << (queue_.empty() ? " (no answer queued)"
                                         : std::string(" (the next answer is for a ") +
                                               KindName(queue_.front().kind) + ")");
        return std::nullopt;
    }
    Queued q = queue_.front();
    queue_.pop_front();
    return q;
}

ui::Answer ScriptedUi::MessageBox(const QString& caption, const QString& text, ui::Icon icon,
                                  ui::Buttons buttons) {
    Call call;
    call.caption = caption;
    call.text = text;
    call.icon = icon;
    call.buttons = buttons;
    const auto q = Take(call);
    return q ? q->answer : ui::DecliningAnswer(buttons);
}

std::optional<QString> ScriptedUi::GetOpenFileName(const ui::FileDialog& dialog) {
    Call call;
    call.kind = Kind::OpenFile;
    call.caption = dialog.caption;
    call.dialog = dialog;
    const auto q = Take(call);
    if (!q || q->path.isEmpty()) return std::nullopt;
    return q->path;
}

std::optional<QString> ScriptedUi::GetSaveFileName(const ui::FileDialog& dialog) {
    Call call;
    call.kind = Kind::SaveFile;
    call.caption = dialog.caption;
    call.dialog = dialog;
    const auto q = Take(call);
    if (!q || q->path.isEmpty()) return std::nullopt;
    return q->path;
}

std::optional<COLORREF> ScriptedUi::ChooseColor(COLORREF initial) {
    Call call;
    call.kind = Kind::Color;
    call.color = initial;
    const auto q = Take(call);
    return q ? q->color : std::nullopt;
}

std::optional<ui::FontChoice> ScriptedUi::ChooseFont(const LogFont& font, COLORREF color) {
    Call call;
    call.kind = Kind::Font;
    call.font = font;
    call.color = color;
    const auto q = Take(call);
    return q ? q->font : std::nullopt;
}

} // namespace testsupport
