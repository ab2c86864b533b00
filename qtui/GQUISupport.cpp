// Widget helpers and the widget states of the window-state file.
#include "GQUISupport.h"

#include <QAbstractButton>
#include <QApplication>
#include <QComboBox>
#include <QCursor>
#include <QDialog>
#include <QDir>
#include <QFileInfo>
#include <QFontMetrics>
#include <QHeaderView>
#include <QLabel>
#include <QListWidget>
#include <QPainter>
#include <QPainterPath>
#include <QScreen>
#include <QSettings>
#include <QToolButton>
#include <QTreeWidget>
#include <QTreeWidgetItemIterator>

#include "GException.h"
#include "GFileSystem.h"
#include "GQUILayer.h"
#include "GQUIPathNameSupport.h"

char const* const GQUISupport::cGroupIDGeometry = "Geometry/";
char const* const GQUISupport::cGroupIDState = "State/";
char const* const GQUISupport::cGroupIDExpandState = "ExpandState/";

namespace
{
constexpr int cArtworkFolder = 54;

QString KeyOf(char const* group, QObject const& object, QObject const& named)
{
    return QLatin1String(group) + QLatin1String(object.metaObject()->className()) + QLatin1Char('_') +
           named.objectName();
}

QString KeyOf(char const* group, QObject const& object)
{
    return KeyOf(group, object, object);
}

QString HeaderKey(QHeaderView const& header)
{
    QObject const* const parent = header.parent();
    return KeyOf(GQUISupport::cGroupIDState, header, parent ? *parent : header);
}

// The artwork folder's path; empty when the special folder cannot be found.
QString ArtworkFolder()
{
    try
    {
        return GQUIPathNameSupport::ConvertToUIQString(GFileSystem::GetSpecialPath(cArtworkFolder));
    }
    catch (GException const&) // reported as a missing image is: not at all
    {
        return QString();
    }
}
} // namespace

void GQUISupport::ConvertToQColor(GScreenColor const& color, QColor& out)
{
    out.setRgbF(color.GetRed(), color.GetGreen(), color.GetBlue(), 1.0);
}

QColor GQUISupport::ConvertToQColor(GScreenColor const& color)
{
    QColor out;
    ConvertToQColor(color, out);
    return out;
}

GScreenColor GQUISupport::ConvertToGScreenColor(QColor const& color)
{
    return GScreenColor(color.redF(), color.greenF(), color.blueF());
}

QString GQUISupport::CreateIconString(QString const& name)
{
    QFileInfo info(name);
    if (info.isRelative())
    {
        QString const artwork = ArtworkFolder();
        // Without the artwork folder there is no file of that name: an empty path, which gives an
        // empty icon, as a missing image does.
        if (artwork.isEmpty())
            return QString();
        info = QFileInfo(QDir(artwork), name);
    }
    return info.absoluteFilePath();
}

QIcon GQUISupport::CreateIcon(QString const& name)
{
    return QIcon(CreateIconString(name));
}

QPixmap GQUISupport::CreatePixmap(QString const& name, int width, int height)
{
    QPixmap pixmap(CreateIconString(name));
    if (width > 0 && height > 0)
        pixmap = pixmap.scaled(width, height, Qt::IgnoreAspectRatio, Qt::FastTransformation);
    return pixmap;
}

void GQUISupport::SetIcon(QAbstractButton* button, QString const& name)
{
    QIcon const icon = CreateIcon(name);
    button->setIcon(icon);
    QList<QSize> const sizes = icon.availableSizes(QIcon::Normal, QIcon::Off);
    if (!sizes.isEmpty())
        button->setIconSize(sizes.first());
}

void GQUISupport::SetIcon(QToolButton* button, QString const& normalOn, QString const& normalOff,
                          QString const& hoverOn, QString const& hoverOff)
{
    QIcon icon(CreateIconString(normalOn));
    icon.addPixmap(QPixmap(CreateIconString(normalOn)), QIcon::Normal, QIcon::On);
    if (!normalOff.isEmpty())
        icon.addPixmap(QPixmap(CreateIconString(normalOff)), QIcon::Normal, QIcon::Off);
    // Qt shows an icon's Active images while the pointer rests over a button that raises itself;
    // without a frame the images fill the button, which has their size.
    bool const hover = !hoverOn.isEmpty() || !hoverOff.isEmpty();
    if (!hoverOn.isEmpty())
        icon.addPixmap(QPixmap(CreateIconString(hoverOn)), QIcon::Active, QIcon::On);
    if (!hoverOff.isEmpty())
        icon.addPixmap(QPixmap(CreateIconString(hoverOff)), QIcon::Active, QIcon::Off);
    button->setIcon(icon);
    QList<QSize> const sizes = icon.availableSizes(QIcon::Normal, QIcon::Off);
    if (!sizes.isEmpty())
    {
        button->setIconSize(sizes.first());
        button->setMinimumSize(sizes.first());
        button->setMaximumSize(sizes.first());
    }
    button->setAutoRaise(hover);
    button->setStyleSheet(hover ? QStringLiteral("QToolButton { border: none; }") : QString());
}

void GQUISupport::SetIcon(QLabel* label, QString const& name)
{
    label->setPixmap(QPixmap(CreateIconString(name)));
}

QToolButton* GQUISupport::CreateToolButton(QString const& icon, QWidget* parent)
{
    QToolButton* const button = new QToolButton(parent);
    SetIcon(static_cast<QAbstractButton*>(button), icon);
    button->setPopupMode(QToolButton::InstantPopup);
    return button;
}

int GQUISupport::ComputeListViewMinimumWidth(QListWidget const* list)
{
    QFontMetrics const metrics(list->font());
    int widest = 0;
    for (int i = 0; i < list->count(); ++i)
        widest = std::max(widest, metrics.horizontalAdvance(list->item(i)->data(Qt::DisplayRole).toString()));
    return widest + 50;
}

int GQUISupport::ComputeComboBoxMinimumWidth(QComboBox const* combo)
{
    QFontMetrics const metrics(combo->font());
    int widest = 0;
    for (int i = 0; i < combo->count(); ++i)
        widest = std::max(widest, metrics.horizontalAdvance(combo->itemText(i)));
    return std::max(widest + 40, combo->width());
}

int GQUISupport::ExecModalInHost(QDialog& dialog)
{
    void* const handle = reinterpret_cast<void*>(dialog.winId());
    GQUILayer::HandleStartModalLoop(handle);
    int result;
    try
    {
        MoveToMiddleOfScreen(dialog);
        result = dialog.exec();
    }
    catch (...) // the host leaves its modal state whatever ended the loop; the error goes on
    {
        GQUILayer::HandleStopModalLoop(handle);
        throw;
    }
    GQUILayer::HandleStopModalLoop(handle);
    return result;
}

void GQUISupport::MoveToMiddleOfScreen(QDialog& dialog)
{
    QSize const frame = dialog.frameGeometry().size();
    QScreen* screen = QGuiApplication::screenAt(QCursor::pos());
    if (!screen)
        screen = QGuiApplication::primaryScreen();
    if (!screen)
        return;
    QRect const area = screen->geometry();
    dialog.move(area.x() + area.width() / 2 - frame.width() / 2,
                area.y() + area.height() / 2 - frame.height() / 2);
}

QString GQUISupport::GetPrefsFile()
{
    try
    {
        GPathName file;
        GQUILayer::GetPrefFileName(file);
        QString const path = GQUIPathNameSupport::ConvertToUIQString(file);
        // Without the plug-in's data folder the name alone would be a file in whatever folder the
        // host runs in.
        return QFileInfo(path).isRelative() ? QString() : path;
    }
    catch (GException const&) // no data folder: the widgets work, they only forget their states
    {
        return QString();
    }
}

void GQUISupport::SaveGeometry(QWidget* widget)
{
    QString const file = GetPrefsFile();
    if (file.isEmpty())
        return;
    QSettings settings(file, QSettings::IniFormat);
    settings.setValue(KeyOf(cGroupIDGeometry, *widget), widget->saveGeometry());
}

void GQUISupport::LoadGeometry(QWidget* widget)
{
    QString const file = GetPrefsFile();
    if (file.isEmpty())
        return;
    QSettings settings(file, QSettings::IniFormat);
    QString const key = KeyOf(cGroupIDGeometry, *widget);
    if (settings.contains(key))
        widget->restoreGeometry(settings.value(key).toByteArray());
}

void GQUISupport::SaveState(QHeaderView* header)
{
    QString const file = GetPrefsFile();
    if (file.isEmpty())
        return;
    QSettings settings(file, QSettings::IniFormat);
    settings.setValue(HeaderKey(*header), header->saveState());
}

void GQUISupport::LoadState(QHeaderView* header)
{
    QString const file = GetPrefsFile();
    if (file.isEmpty())
        return;
    QSettings settings(file, QSettings::IniFormat);
    QString const key = HeaderKey(*header);
    if (settings.contains(key))
        header->restoreState(settings.value(key).toByteArray());
}

void GQUISupport::SaveExpandState(QTreeWidget* tree)
{
    QString const file = GetPrefsFile();
    if (file.isEmpty())
        return;
    QVariantList expanded;
    for (QTreeWidgetItemIterator it(tree); *it; ++it)
        expanded.append((*it)->isExpanded());
    QSettings settings(file, QSettings::IniFormat);
    settings.setValue(KeyOf(cGroupIDExpandState, *tree), expanded);
}

void GQUISupport::LoadExpandState(QTreeWidget* tree)
{
    QString const file = GetPrefsFile();
    if (file.isEmpty())
        return;
    QSettings settings(file, QSettings::IniFormat);
    QVariantList const expanded = settings.value(KeyOf(cGroupIDExpandState, *tree)).toList();
    int i = 0;
    for (QTreeWidgetItemIterator it(tree); *it && i < expanded.size(); ++it, ++i)
        (*it)->setExpanded(expanded[i].toBool());
}

void GQUISupport::ConvertToGTreePath(QTreeWidget const* tree, QTreeWidgetItem* item,
                                     GTable<unsigned int>& path)
{
    path.Resize(0);
    while (item)
    {
        QTreeWidgetItem* const parent = item->parent();
        int const index = parent ? parent->indexOfChild(item) : tree->indexOfTopLevelItem(item);
        path.InsertItemAt(0, static_cast<unsigned int>(index));
        item = parent;
    }
}

QTreeWidgetItem* GQUISupport::ConvertToTreeWidgetItem(GTable<unsigned int> const& path,
                                                      QTreeWidget const* tree)
{
    if (path.GetCount() == 0)
        return nullptr;
    int const top = static_cast<int>(path[0]);
    if (top < 0 || top >= tree->topLevelItemCount())
        return nullptr;
    QTreeWidgetItem* item = tree->topLevelItem(top);
    for (int i = 1; i < path.GetCount(); ++i)
    {
        int const index = static_cast<int>(path[i]);
        if (index < 0 || index >= item->childCount())
            return nullptr;
        item = item->child(index);
    }
    return item;
}

void GQUISupport::SubstituteWidgetsToParams(QString const& text, GTable<QWidget*> const& params,
                                            GTable<QWidget*>& out)
{
    auto const addLabel = [&out](QString const& part)
    {
        if (!part.isEmpty())
            out.AddItem(new QLabel(part));
    };
    int start = 0;
    int const length = text.size();
    for (int i = 0; i + 1 < length; ++i)
    {
        QChar const digit = text[i + 1];
        if (text[i] != QLatin1Char('%') || digit < QLatin1Char('1') || digit > QLatin1Char('9'))
            continue;
        int end = i;
        if (end > start && text[end - 1] == QLatin1Char(' '))
            --end;
        addLabel(text.mid(start, end - start));
        int const number = digit.unicode() - '0';
        if (params.GetCount() >= number)
            out.AddItem(params[number - 1]);
        start = i + 2;
        if (start < length && text[start] == QLatin1Char(' '))
            ++start;
        i = start - 1;
    }
    addLabel(text.mid(start));
}

void GQUISupport::DrawCross(GSizeBase<int> const& size, QPixmap& pixmap)
{
    int const w = size.fWidth;
    int const h = size.fHeight;
    pixmap = QPixmap(std::max(w - 1, 0), std::max(h - 1, 0));
    if (pixmap.isNull())
        return;
    QPainter painter(&pixmap);
    painter.fillRect(QRect(QPoint(0, 0), QPoint(w - 2, h - 2)),
                     QApplication::palette().brush(QPalette::Midlight));
    if (w < 3 || h < 3)
        return;
    painter.setRenderHint(QPainter::Antialiasing);
    painter.setPen(QColor(128, 128, 128, 255));
    int const rw = w - 1;
    int const rh = h - 1;
    int const mx = rw > 10 ? 5 : rw / 2 - 1;
    int const my = rh > 10 ? 5 : rh / 2 - 1;
    QPainterPath path;
    path.moveTo(mx, my);
    path.lineTo(w - 2 - mx, h - 2 - my);
    path.moveTo(w - 2 - mx, my);
    path.lineTo(mx, h - 2 - my);
    painter.drawPath(path);
}
