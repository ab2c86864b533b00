// The installer host's window.
#include "InstallerWindow.h"

#include "AppKitStandIn.h"
#include "MetadataQueryStandIn.h"

#include <QHBoxLayout>
#include <QVBoxLayout>

InstallerWindow::InstallerWindow(InstallerPane* pane, std::function<void(int)> done)
    : fPane(pane), fDone(std::move(done)), fHeading(new QLabel), fVolume(new QLabel),
      fPages(new QStackedWidget), fBack(new QPushButton(QStringLiteral("Go Back"))),
      fContinue(new QPushButton(QStringLiteral("Continue")))
{
    setWindowTitle(QStringLiteral("Install"));
    QFont bold = fHeading->font();
    bold.setBold(true);
    bold.setPointSizeF(bold.pointSizeF() * 1.2);
    fHeading->setFont(bold);
    fVolume->setWordWrap(true);
    fVolume->setAlignment(Qt::AlignTop | Qt::AlignLeft);
    fPages->addWidget(fVolume);
    fPages->addWidget(pane->contentView());

    auto* const buttons = new QHBoxLayout;
    buttons->addStretch(1);
    buttons->addWidget(fBack);
    buttons->addWidget(fContinue);
    fContinue->setDefault(true);
    auto* const layout = new QVBoxLayout(this);
    layout->addWidget(fHeading);
    layout->addWidget(fPages, 1);
    layout->addLayout(buttons);
    resize(620, 300);

    connect(fContinue, &QPushButton::clicked, this, [this] { Continue(); });
    connect(fBack, &QPushButton::clicked, this, [this] { Back(); });
}

InstallerWindow::~InstallerWindow()
{
    // The pane's view goes with its pane, not with the window.
    if (QWidget* const view = fPane->contentView())
    {
        fPages->removeWidget(view);
        view->setParent(nullptr);
    }
}

void InstallerWindow::EnterPane()
{
    NSAutoreleasePool* const pool = new NSAutoreleasePool;
    fHeading->setText(AppKitStandInQString(fPane->title()));
    fGatheringsAtEntry = NSMetadataQueryStandInFinishedGatherings();
    fPane->willEnterPane(InstallerDirectionForward);
    fPages->setCurrentIndex(1);
    fBack->setEnabled(true);
    fPane->didEnterPane(InstallerDirectionForward);
    pool->drain();
}

void InstallerWindow::Continue()
{
    if (!OnPane())
    {
        EnterPane();
        return;
    }
    NSAutoreleasePool* const pool = new NSAutoreleasePool;
    bool const leaves = fPane->shouldExitPane(InstallerDirectionForward);
    if (leaves)
    {
        fPane->willExitPane(InstallerDirectionForward);
        fPane->didExitPane(InstallerDirectionForward);
    }
    pool->drain();
    if (leaves)
        fDone(0);
}

void InstallerWindow::Back()
{
    if (!OnPane())
        return;
    NSAutoreleasePool* const pool = new NSAutoreleasePool;
    if (fPane->shouldExitPane(InstallerDirectionBackward))
    {
        fPane->willExitPane(InstallerDirectionBackward);
        fPane->didExitPane(InstallerDirectionBackward);
        ShowVolume();
    }
    pool->drain();
}

bool InstallerWindow::ChooseVolume(QString const& path)
{
    if (OnPane())
        return false;
    NSAutoreleasePool* const pool = new NSAutoreleasePool;
    fPane->section()->installerState()->StandInSetTargetVolumePath(AppKitStandInMakeString(path));
    pool->drain();
    ShowVolume();
    return true;
}

void InstallerWindow::ShowVolume()
{
    NSAutoreleasePool* const pool = new NSAutoreleasePool;
    fHeading->setText(QStringLiteral("Destination"));
    fVolume->setText(QStringLiteral("The software will be installed on the volume \u201C%1\u201D.")
                         .arg(AppKitStandInQString(fPane->section()->installerState()->targetVolumePath())));
    fPages->setCurrentIndex(0);
    fBack->setEnabled(false);
    pool->drain();
}
