#pragma once

// Selecting text and reading or writing one of the four character styles
// of the editing area by name, for data-driven tests.

#include "platform/richtextbox.h"

#include <QTextCursor>

namespace borovka::testing {

enum class Style { Bold, Italic, Underline, StrikeThru };

inline std::optional<bool> readStyle(const RichTextBox &box, Style style)
{
    switch (style) {
    case Style::Bold: return box.SelBold();
    case Style::Italic: return box.SelItalic();
    case Style::Underline: return box.SelUnderline();
    case Style::StrikeThru: return box.SelStrikeThru();
    }
    return std::nullopt;
}

inline void writeStyle(RichTextBox &box, Style style, bool on)
{
    switch (style) {
    case Style::Bold: box.setSelBold(on); break;
    case Style::Italic: box.setSelItalic(on); break;
    case Style::Underline: box.setSelUnderline(on); break;
    case Style::StrikeThru: box.setSelStrikeThru(on); break;
    }
}

inline void select(RichTextBox &box, int start, int end)
{
    QTextCursor c = box.textCursor();
    c.setPosition(start);
    c.setPosition(end, QTextCursor::KeepAnchor);
    box.setTextCursor(c);
}

} // namespace borovka::testing

Q_DECLARE_METATYPE(borovka::testing::Style)
