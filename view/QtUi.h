#pragma once
// The program's questions and dialogs as Qt shows them: message boxes, the open and save
// file dialogs, the colour and font dialogs. The application installs one with
// ui::ScopedUi; tests install their scripted answerer instead.
#include "Ui.h"

class QFont;
class QWidget;

class QtUi : public ui::Ui {
public:
    // Dialogs open over parent (or over the active window when it is null).
    explicit QtUi(QWidget* parent = nullptr) : parent_(parent) {}

    ui::Answer MessageBox(const QString& caption, const QString& text, ui::Icon icon,
                          ui::Buttons buttons) override;
    std::optional<QString> GetOpenFileName(const ui::FileDialog& dialog) override;
    std::optional<QString> GetSaveFileName(const ui::FileDialog& dialog) override;
    std::optional<COLORREF> ChooseColor(COLORREF initial) override;
    std::optional<ui::FontChoice> ChooseFont(const LogFont& font, COLORREF color) override;

    // A font as the font dialog shows it (points), and back (the screen's negative character
    // height in pixels, as items store it); the rest of the record is kept from base.
    static QFont ToQFont(const LogFont& font);
    static LogFont FromQFont(const QFont& font, const LogFont& base);

private:
    QWidget* Parent() const;
    QWidget* parent_;
};
