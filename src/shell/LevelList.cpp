#include "shell/LevelList.h"

#include <QApplication>
#include <QDrag>
#include <QKeyEvent>
#include <QMimeData>
#include <QMouseEvent>
#include <QPainter>

namespace umbraxis {

namespace {

const char* const kDragFormat = "application/x-umbraxis-level-list";

} // namespace

LevelList::LevelList(Order order, QWidget* parent)
    : QListWidget(parent)
    , m_order(order)
{
    setSelectionMode(QAbstractItemView::ExtendedSelection);
    setUniformItemSizes(true);
    setAcceptDrops(true);
    setDragEnabled(false); // drags are started by the press rules above
    setDropIndicatorShown(false);
    setHorizontalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
    connect(selectionModel(), &QItemSelectionModel::selectionChanged, this, [this] {
        if (m_quiet == 0)
            emit selectionChangedByUser();
    });
}

int LevelList::addTitle(const QString& title)
{
    int row = 0;
    while (row < count() && !m_order(title, item(row)->text()))
        ++row;
    auto* entry = new QListWidgetItem(title);
    entry->setSizeHint(QSize(0, m_rowHeight));
    ++m_quiet;
    insertItem(row, entry);
    --m_quiet;
    return row;
}

void LevelList::removeTitle(const QString& title)
{
    for (int row = 0; row < count(); ++row) {
        if (item(row)->text().compare(title, Qt::CaseInsensitive) == 0) {
            ++m_quiet;
            delete takeItem(row);
            --m_quiet;
            return;
        }
    }
}

void LevelList::removeRow(int row)
{
    ++m_quiet;
    delete takeItem(row);
    --m_quiet;
}

QString LevelList::title(int row) const
{
    const QListWidgetItem* entry = item(row);
    return entry ? entry->text() : QString();
}

int LevelList::firstSelectedRow() const
{
    for (int row = 0; row < count(); ++row)
        if (item(row)->isSelected())
            return row;
    return -1;
}

void LevelList::setRowSelected(int row, bool selected)
{
    if (QListWidgetItem* entry = item(row)) {
        ++m_quiet;
        entry->setSelected(selected);
        --m_quiet;
    }
}

void LevelList::setCurrentRowQuietly(int row)
{
    ++m_quiet;
    setCurrentRow(row, QItemSelectionModel::NoUpdate);
    --m_quiet;
}

QItemSelectionModel::SelectionFlags LevelList::selectionCommand(const QModelIndex& index, const QEvent* event) const
{
    // A list of single choice keeps its choice: a click with Ctrl on the
    // chosen entry does not leave the list with nothing chosen.
    if (selectionMode() == QAbstractItemView::SingleSelection && index.isValid())
        return QItemSelectionModel::ClearAndSelect | QItemSelectionModel::Rows;
    return QListWidget::selectionCommand(index, event);
}

void LevelList::mousePressEvent(QMouseEvent* event)
{
    m_dragArmed = false;
    QListWidgetItem* entry = itemAt(event->position().toPoint());
    if (event->button() != Qt::LeftButton || !entry || !m_draggable) {
        QListWidget::mousePressEvent(event);
        return;
    }
    const Qt::KeyboardModifiers keys = event->modifiers();
    const bool shift = keys & Qt::ShiftModifier;
    const bool ctrl = keys & Qt::ControlModifier;
    m_pressAt = event->position().toPoint();
    if (entry->isSelected() && (!shift || ctrl)) {
        // The selection stays as it is and is what a drag carries.
        setCurrentRowQuietly(row(entry));
        m_dragArmed = true;
        event->accept();
        return;
    }
    QListWidget::mousePressEvent(event);
    m_dragArmed = !ctrl && !shift;
}

void LevelList::mouseMoveEvent(QMouseEvent* event)
{
    if (m_dragArmed && (event->buttons() & Qt::LeftButton)
        && (event->position().toPoint() - m_pressAt).manhattanLength() >= QApplication::startDragDistance()) {
        m_dragArmed = false;
        startDrag();
        return;
    }
    if (!m_dragArmed)
        QListWidget::mouseMoveEvent(event);
}

void LevelList::mouseReleaseEvent(QMouseEvent* event)
{
    m_dragArmed = false;
    QListWidget::mouseReleaseEvent(event);
}

void LevelList::keyPressEvent(QKeyEvent* event)
{
    QListWidget::keyPressEvent(event);
}

QMimeData* LevelList::dragData(const LevelList* source)
{
    auto* data = new QMimeData;
    data->setData(QString::fromLatin1(kDragFormat), QByteArray::number(quintptr(source)));
    QStringList titles;
    for (QListWidgetItem* entry : source->selectedItems())
        titles << entry->text();
    data->setText(titles.join(QLatin1Char('\n')));
    return data;
}

void LevelList::startDrag()
{
    QMimeData* data = dragData(this);
    const QStringList titles = data->text().split(QLatin1Char('\n'));
    auto* drag = new QDrag(this);
    drag->setMimeData(data);
    // What is dragged, as it looks in the list.
    const QString shown = titles.value(0) + (titles.size() > 1 ? QStringLiteral(" …") : QString());
    QPixmap picture(fontMetrics().horizontalAdvance(shown) + 8, fontMetrics().height() + 4);
    picture.fill(palette().color(QPalette::Highlight));
    QPainter painter(&picture);
    painter.setPen(palette().color(QPalette::HighlightedText));
    painter.setFont(font());
    painter.drawText(picture.rect(), Qt::AlignCenter, shown);
    painter.end();
    drag->setPixmap(picture);
    drag->exec(Qt::MoveAction);
}

bool LevelList::accepts(const QDropEvent* event) const
{
    // A list never accepts a drag that started in itself, only one from the
    // list it is paired with.
    const QMimeData* data = event->mimeData();
    return m_dropSource && data && data->hasFormat(QString::fromLatin1(kDragFormat))
        && data->data(QString::fromLatin1(kDragFormat)) == QByteArray::number(quintptr(m_dropSource));
}

void LevelList::dragEnterEvent(QDragEnterEvent* event)
{
    if (accepts(event))
        event->acceptProposedAction();
    else
        event->ignore();
}

void LevelList::dragMoveEvent(QDragMoveEvent* event)
{
    if (accepts(event))
        event->acceptProposedAction();
    else
        event->ignore();
}

void LevelList::dropEvent(QDropEvent* event)
{
    if (!accepts(event)) {
        event->ignore();
        return;
    }
    event->acceptProposedAction();
    emit droppedFrom(m_dropSource);
}

} // namespace umbraxis
