#pragma once

#include <QListWidget>
#include <QPoint>

namespace umbraxis {

// One of the install screen's two lists of level titles: kept in order
// regardless of letter case, several entries selectable, and entries dragged
// from it onto the other list. It tells apart what the user does to it
// (selectionChangedByUser) from what the program does.
//
// A press on an entry that is already selected (without Shift, or with Ctrl)
// keeps the selection and starts a drag of it; a press on any other entry
// first changes the selection as a list does (a plain press selects that
// entry alone) and starts a drag unless Ctrl or Shift is held. The drag takes
// effect once the pointer moves, and carries the whole selection as it is
// when the drag starts.
class LevelList : public QListWidget {
    Q_OBJECT
public:
    // Whether title `a` comes before title `b` in the list.
    using Order = bool (*)(const QString& a, const QString& b);

    LevelList(Order order, QWidget* parent);

    // Adds a title at its sorted place, after any equal ones; returns its row.
    int addTitle(const QString& title);
    // Removes the first entry whose text equals `title` regardless of case.
    void removeTitle(const QString& title);
    void removeRow(int row);
    QString title(int row) const;
    // The selected entry with the lowest position, or -1.
    int firstSelectedRow() const;
    // Changes the selection without it counting as the user's.
    void setRowSelected(int row, bool selected);
    // The entry that has the list's focus, without selecting it.
    void setCurrentRowQuietly(int row);

    // Whether entries can be dragged from this list at all.
    void setDraggable(bool draggable) { m_draggable = draggable; }
    // The height of every entry's row.
    void setRowHeight(int pixels) { m_rowHeight = pixels; }

    // The list whose drags this one accepts.
    void setDropSource(LevelList* source) { m_dropSource = source; }
    // What a drag from `source` carries.
    static class QMimeData* dragData(const LevelList* source);

signals:
    // The user changed the selection (by pointer or keyboard).
    void selectionChangedByUser();
    // A drag from `source` was dropped here.
    void droppedFrom(LevelList* source);

protected:
    QItemSelectionModel::SelectionFlags selectionCommand(const QModelIndex& index,
                                                         const QEvent* event = nullptr) const override;
    void mousePressEvent(QMouseEvent* event) override;
    void mouseMoveEvent(QMouseEvent* event) override;
    void mouseReleaseEvent(QMouseEvent* event) override;
    void keyPressEvent(QKeyEvent* event) override;
    void dragEnterEvent(QDragEnterEvent* event) override;
    void dragMoveEvent(QDragMoveEvent* event) override;
    void dropEvent(QDropEvent* event) override;

private:
    bool accepts(const QDropEvent* event) const;
    void startDrag();

    LevelList* m_dropSource = nullptr;
    bool m_draggable = true;
    int m_rowHeight = 13;
    Order m_order;
    bool m_dragArmed = false;
    QPoint m_pressAt;
    int m_quiet = 0;
};

} // namespace umbraxis
