#include "screens/TfInsertCd.h"

#include "platform/files/CdFinder.h"

#include <QApplication>
#include <QDir>
#include <QFileDialog>
#include <QHBoxLayout>
#include <QLabel>
#include <QPushButton>
#include <QStyle>
#include <QTimer>
#include <QVBoxLayout>

namespace umbraxis {

namespace {

// How often the mount table is looked at while the window waits.
constexpr int PollMs = 1000;

QString chooseWithDialog(QWidget* parent)
{
    return QFileDialog::getExistingDirectory(parent, QStringLiteral("Choose the folder of the Umbraxis CD"),
                                             QDir::homePath());
}

} // namespace

TfInsertCd::TfInsertCd(const CdFinder& finder, ChooseFolder chooseFolder, QWidget* parent)
    : QDialog(parent)
    , m_finder(finder)
    , m_chooseFolder(chooseFolder ? std::move(chooseFolder) : ChooseFolder(chooseWithDialog))
{
    setWindowTitle(QStringLiteral("Umbraxis"));
    // Lets tests and window rules tell this window from the program's others.
    setWindowRole(QStringLiteral("insert-cd"));
    createControls();

    tPoll = new QTimer(this);
    tPoll->setInterval(PollMs);
    connect(tPoll, &QTimer::timeout, this, &TfInsertCd::tPollTimer);
    tPoll->start();
}

TfInsertCd::~TfInsertCd() = default;

void TfInsertCd::createControls()
{
    auto* icon = new QLabel(this);
    icon->setPixmap(style()->standardIcon(QStyle::SP_DriveCDIcon).pixmap(48, 48));
    icon->setAlignment(Qt::AlignTop);

    lTitle = new QLabel(QStringLiteral("Please insert the Umbraxis CD."), this);
    QFont bold = lTitle->font();
    bold.setBold(true);
    bold.setPointSizeF(bold.pointSizeF() * 1.25);
    lTitle->setFont(bold);

    lText = new QLabel(QStringLiteral("Umbraxis runs from its CD. Insert the CD, or open its disc image (.iso) in "
                                      "your file manager, and the program goes on as soon as the disc is mounted.\n\n"
                                      "If the files of the CD are in a folder, choose that folder."),
                       this);
    lText->setWordWrap(true);

    lReason = new QLabel(this);
    // It shows a folder's name, which must never be taken for markup.
    lReason->setTextFormat(Qt::PlainText);
    lReason->setWordWrap(true);
    lReason->setStyleSheet(QStringLiteral("color: #b00020;"));
    lReason->setTextInteractionFlags(Qt::TextSelectableByMouse);
    lReason->hide();

    bChoose = new QPushButton(QStringLiteral("&Choose Folder..."), this);
    bCancel = new QPushButton(QStringLiteral("Cancel"), this);
    bChoose->setDefault(true);
    connect(bChoose, &QPushButton::clicked, this, &TfInsertCd::bChooseClick);
    connect(bCancel, &QPushButton::clicked, this, &TfInsertCd::bCancelClick);

    auto* texts = new QVBoxLayout;
    texts->addWidget(lTitle);
    texts->addWidget(lText);
    texts->addWidget(lReason);
    texts->addStretch();
    auto* top = new QHBoxLayout;
    top->addWidget(icon);
    top->addLayout(texts, 1);
    auto* buttons = new QHBoxLayout;
    buttons->addStretch();
    buttons->addWidget(bChoose);
    buttons->addWidget(bCancel);
    auto* all = new QVBoxLayout(this);
    all->addLayout(top);
    all->addSpacing(8);
    all->addLayout(buttons);
    setMinimumWidth(480);
}

QString TfInsertCd::ask(const CdFinder& finder)
{
    TfInsertCd window(finder);
    return window.exec() == QDialog::Accepted ? window.cdRoot() : QString();
}

QString TfInsertCd::refusal(const QString& folder)
{
    const QString shown = QDir::toNativeSeparators(folder);
    switch (checkCdRoot(folder)) {
    case CdRootCheck::Root: return QString();
    case CdRootCheck::Unreadable: return QStringLiteral("%1 cannot be read.").arg(shown);
    case CdRootCheck::NoCatalogue:
        return QStringLiteral("%1 is not the Umbraxis CD: it holds no levels.csv.").arg(shown);
    case CdRootCheck::NoImages:
        return QStringLiteral("%1 is not the Umbraxis CD: it holds no images folder.").arg(shown);
    }
    return QString();
}

void TfInsertCd::bChooseClick()
{
    // The mounts are not searched behind the folder dialog's back: the
    // window must not go while that dialog is still open.
    tPoll->stop();
    const QString folder = m_chooseFolder(this);
    tPoll->start();
    if (folder.isEmpty())
        return;
    const QString reason = refusal(folder);
    if (reason.isEmpty()) {
        take(folder);
        return;
    }
    lReason->setText(reason);
    lReason->show();
}

void TfInsertCd::bCancelClick()
{
    reject();
}

void TfInsertCd::tPollTimer()
{
    const QByteArray table = m_finder.mountTable();
    if (m_searched && table == m_lastTable)
        return;
    m_searched = true;
    m_lastTable = table;
    const QString root = m_finder.findMounted(table);
    if (!root.isEmpty())
        take(root);
}

void TfInsertCd::take(const QString& root)
{
    tPoll->stop();
    m_cdRoot = root;
    accept();
}

} // namespace umbraxis
