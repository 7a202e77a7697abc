#pragma once

#include "shell/Screen.h"

#include <QDialog>

class QLineEdit;
class QPushButton;
class QTextEdit;

namespace umbraxis {

// The find dialog of the viewer: a text box, Find Next and Cancel, always
// searching forward. It is modeless, so the user can go on reading.
class FindDialog : public QDialog {
    Q_OBJECT
public:
    explicit FindDialog(QWidget* parent);

    QString findText() const;
    void setFindText(const QString& text);
    QLineEdit* textBox() const { return m_text; }
    QPushButton* findNextButton() const { return m_findNext; }
    QPushButton* cancelButton() const { return m_cancel; }

signals:
    void find();

private:
    QLineEdit* m_text;
    QPushButton* m_findNext;
    QPushButton* m_cancel;
};

// The document viewer: one document in a read-only view over the screen's
// picture, a forward find (Ctrl+F), a help button and a way back to the
// screen that opened it. Callers set DocumentFile, then ShowModal().
class TfView : public Screen {
    Q_OBJECT
public:
    TfView(const Services& services, Shell& shell, QWidget* parent = nullptr);

    // The document to show, a path on the CD ("help.rtf", "text\websites.txt").
    QString DocumentFile;

    // The read-only document view.
    QTextEdit* RichEdit1 = nullptr;
    FindDialog* FindDialog1 = nullptr;

    void FormCreate() override;
    void FormShow() override;
    void FormHide() override;
    void FormDestroy() override;
    // The help button: shows "help.rtf", leaving DocumentFile as it is.
    void Image2Click();
    // The return button: back to the screen that opened the viewer.
    void Image3Click();
    // True when the key was the viewer's own (it opened the find dialog).
    bool RichEdit1KeyDown(const QKeyEvent& key);
    // The find dialog's Find Next: the next match after the selection.
    void FindDialog1Find();

protected:
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    void createView();
    // Shows the document at `path` in the view; a missing file gives an
    // empty view.
    void loadDocument(const QString& path);
};

} // namespace umbraxis
