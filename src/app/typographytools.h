#pragma once

#include <QObject>

class QAction;
class QMenu;
class QWidget;

namespace borovka {

class DialogService;
class RichTextBox;

// Czech typography in the editing area's context menu: "Česká typografie
// při psaní" corrects as the writer types (on by default, remembered
// between runs), "Opravit typografii" corrects the selection or the whole
// document. The rules are those of format/typography.h.
class TypographyTools : public QObject {
    Q_OBJECT

public:
    TypographyTools(RichTextBox &rich, DialogService &dialogs, QObject *parent);

    QAction *asYouType = nullptr; // checkable
    QAction *fixAll = nullptr;

    bool isEnabled() const { return m_enabled; }
    void setEnabled(bool on);

    // "Opravit typografii": one undo step, then a message with the count.
    void fixTypography();

private:
    void typed(const QString &text);
    void addToMenu(QMenu *menu);

    RichTextBox &m_rich;
    DialogService &m_dialogs;
    bool m_enabled = true;
};

} // namespace borovka
