// Static helpers for Qt widgets: colours, icons and icon buttons from the artwork folder, minimum
// widths of lists and combo boxes, centring a dialog under the mouse pointer, a cross-hatched
// placeholder, texts with placeholders split into labels and widgets, tree paths, and widget,
// header and tree-expansion states kept in the window-state file.
#pragma once

#include <QColor>
#include <QIcon>
#include <QPixmap>
#include <QString>

#include "GScreenColor.h"
#include "GSizeBase.h"
#include "GTable.h"

class QAbstractButton;
class QComboBox;
class QDialog;
class QHeaderView;
class QLabel;
class QListWidget;
class QToolButton;
class QTreeWidget;
class QTreeWidgetItem;
class QWidget;

class GQUISupport
{
public:
    GQUISupport() = delete;

    // The sections of the window-state file.
    static char const* const cGroupIDGeometry;
    static char const* const cGroupIDState;
    static char const* const cGroupIDExpandState;

    static void ConvertToQColor(GScreenColor const& color, QColor& out);
    static QColor ConvertToQColor(GScreenColor const& color);
    static GScreenColor ConvertToGScreenColor(QColor const& color);

    // An image's absolute path: a relative name is taken in the artwork folder (special folder 54);
    // empty for a relative name when that folder cannot be found.
    static QString CreateIconString(QString const& name);
    static QIcon CreateIcon(QString const& name);
    // Scaled to exactly width x height (aspect ratio ignored) when both are greater than 0.
    static QPixmap CreatePixmap(QString const& name, int width, int height);
    // The icon's first size becomes the button's icon size.
    static void SetIcon(QAbstractButton* button, QString const& name);
    // Images for checked and unchecked, each also for the pointer resting over the button; an empty
    // name leaves that image out. The button takes the first icon size as its size and, with hover
    // images, shows its images without a frame.
    static void SetIcon(QToolButton* button, QString const& normalOn, QString const& normalOff,
                        QString const& hoverOn, QString const& hoverOff);
    static void SetIcon(QLabel* label, QString const& name);
    static QToolButton* CreateToolButton(QString const& icon, QWidget* parent);

    // The widest item text plus 50.
    static int ComputeListViewMinimumWidth(QListWidget const* list);
    // The widest item text plus 40, or the current width when that is larger.
    static int ComputeComboBoxMinimumWidth(QComboBox const* combo);
    // Centres the dialog's frame on the screen under the mouse pointer.
    static void MoveToMiddleOfScreen(QDialog& dialog);
    // Runs a dialog modally inside the host: the start hook with its native window id, centred, Qt's
    // modal loop, then the stop hook, also when the loop ends by an exception. Qt's result.
    static int ExecModalInHost(QDialog& dialog);

    // The window-state file; empty when its folder cannot be found (or is not registered, which
    // would leave a bare file name), and the states below are then neither saved nor loaded. None of
    // these reports an error.
    static QString GetPrefsFile();
    // Geometry under "Geometry/" + class name + "_" + object name; loading restores only what
    // was saved.
    static void SaveGeometry(QWidget* widget);
    static void LoadGeometry(QWidget* widget);
    // Under "State/" + class name + "_" + the object name of the parent (of the header itself
    // without parent).
    static void SaveState(QHeaderView* header);
    static void LoadState(QHeaderView* header);
    // One expanded flag per item, depth first, under "ExpandState/" + class name + "_" + object name.
    static void SaveExpandState(QTreeWidget* tree);
    static void LoadExpandState(QTreeWidget* tree);

    // The indexes from the top level down to the item.
    static void ConvertToGTreePath(QTreeWidget const* tree, QTreeWidgetItem* item,
                                   GTable<unsigned int>& path);
    // The item at the path; null for an empty path or an index that is not there.
    static QTreeWidgetItem* ConvertToTreeWidgetItem(GTable<unsigned int> const& path,
                                                    QTreeWidget const* tree);

    // Splits text at its placeholders "%1" to "%9" into new labels (without parent) and the given
    // widgets, in order; a blank on either side of a placeholder is dropped.
    static void SubstituteWidgetsToParams(QString const& text, GTable<QWidget*> const& params,
                                          GTable<QWidget*>& out);
    // A (w - 1) x (h - 1) placeholder with a grey cross when w and h are at least 3.
    static void DrawCross(GSizeBase<int> const& size, QPixmap& pixmap);
};
