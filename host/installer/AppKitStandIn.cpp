// The AppKit stand-in over Qt Widgets.
#include "AppKitStandIn.h"

#include <QApplication>
#include <QComboBox>
#include <QDir>
#include <QFileDialog>
#include <QFileInfo>
#include <QLineEdit>
#include <QMessageBox>
#include <QPushButton>

#include <cstdarg>
#include <vector>

namespace
{
AppKitStandInRobot* sRobot = nullptr;

// Runs a control's action as the platform's event loop would: inside a pool of its own.
template<class Action>
void InPool(Action const& action)
{
    NSAutoreleasePool* const pool = new NSAutoreleasePool;
    action();
    pool->drain();
}

std::string UTF8Of(CFStringRef text)
{
    return CFStringStandInGetUTF8(text);
}

// A folder that the platform shows as one file: a bundle.
bool IsPackage(QString const& path)
{
    QFileInfo const info(path);
    if (!info.isDir())
        return false;
    static QStringList const extensions = {"app", "bundle", "plugin", "framework", "pkg"};
    return extensions.contains(info.suffix(), Qt::CaseInsensitive) ||
           QFileInfo(QDir(path).filePath("Contents/Info.plist")).isFile();
}

// Qt's own file dialog, in which a package is chosen as a file rather than opened as a folder.
class PackageFileDialog : public QFileDialog
{
public:
    PackageFileDialog()
    {
        setOption(QFileDialog::DontUseNativeDialog);
        setFileMode(QFileDialog::ExistingFile);
        connect(this, &QFileDialog::directoryEntered, this,
                [this](QString const& folder)
                {
                    if (IsPackage(folder))
                        Choose(folder);
                });
    }

    QString Chosen() const { return fChosen; }

    void accept() override
    {
        QStringList const files = selectedFiles();
        if (files.size() == 1 && IsPackage(files.first()))
            Choose(files.first());
        else
            QFileDialog::accept();
    }

private:
    void Choose(QString const& path)
    {
        fChosen = QFileInfo(path).absoluteFilePath();
        done(QDialog::Accepted);
    }

    QString fChosen;
};
} // namespace

QString AppKitStandInQString(CFStringRef text)
{
    CFIndex const length = CFStringGetLength(text);
    if (length == 0)
        return QString();
    std::vector<UniChar> units(static_cast<std::size_t>(length));
    CFIndex used = 0;
    CFStringGetBytes(text, CFRangeMake(0, length), kCFStringEncodingUnicode, 0, false,
                     reinterpret_cast<UInt8*>(units.data()), length * 2, &used);
    return QString::fromUtf16(units.data(), static_cast<int>(used / 2));
}

CFStringRef AppKitStandInMakeString(QString const& text)
{
    CFStringRef const string =
        CFStringCreateWithBytes(kCFAllocatorDefault, reinterpret_cast<UInt8 const*>(text.utf16()),
                                static_cast<CFIndex>(text.size()) * 2, kCFStringEncodingUnicode, false);
    return static_cast<CFStringRef>(CFAutorelease(string));
}

// --- controls ---

void NSButton::setTitle(CFStringRef title)
{
    fButton->setText(AppKitStandInQString(title));
}

CFStringRef NSButton::title() const
{
    return AppKitStandInMakeString(fButton->text());
}

void NSButton::setAction(std::function<void(NSButton*)> action)
{
    QObject::disconnect(fButton, &QPushButton::clicked, nullptr, nullptr);
    QObject::connect(fButton, &QPushButton::clicked, [this, action] { InPool([&] { action(this); }); });
}

void NSComboBox::setSelectable(bool selectable)
{
    fComboBox->setEditable(selectable);
}

void NSComboBox::setStringValue(CFStringRef text)
{
    QString const value = AppKitStandInQString(text);
    if (fComboBox->isEditable())
        fComboBox->setEditText(value);
    else
        fComboBox->setCurrentIndex(fComboBox->findText(value, Qt::MatchExactly));
}

CFStringRef NSComboBox::stringValue() const
{
    return AppKitStandInMakeString(fComboBox->currentText());
}

void NSComboBox::removeAllItems()
{
    fComboBox->clear();
}

void NSComboBox::addItemWithObjectValue(CFStringRef item)
{
    fComboBox->addItem(AppKitStandInQString(item));
}

void NSComboBox::addItemsWithObjectValues(CFArrayRef items)
{
    for (CFIndex i = 0; items && i < CFArrayGetCount(items); ++i)
        addItemWithObjectValue(static_cast<CFStringRef>(CFArrayGetValueAtIndex(items, i)));
}

NSInteger NSComboBox::numberOfItems() const
{
    return fComboBox->count();
}

CFStringRef NSComboBox::itemObjectValueAtIndex(NSInteger index) const
{
    if (index < 0 || index >= fComboBox->count())
        return nullptr;
    return AppKitStandInMakeString(fComboBox->itemText(static_cast<int>(index)));
}

CFArrayRef NSComboBox::objectValues() const
{
    std::vector<CFTypeRef> items;
    for (int i = 0; i < fComboBox->count(); ++i)
        items.push_back(AppKitStandInMakeString(fComboBox->itemText(i)));
    CFArrayRef const array = CFArrayCreate(kCFAllocatorDefault, items.data(),
                                           static_cast<CFIndex>(items.size()), &kCFTypeArrayCallBacks);
    return static_cast<CFArrayRef>(CFAutorelease(array));
}

NSInteger NSComboBox::indexOfSelectedItem() const
{
    return fComboBox->currentIndex();
}

void NSComboBox::selectItemAtIndex(NSInteger index)
{
    fComboBox->setCurrentIndex(index >= 0 && index < fComboBox->count() ? static_cast<int>(index) : -1);
}

void NSComboBox::setToolTip(CFStringRef text)
{
    fComboBox->setToolTip(AppKitStandInQString(text));
}

CFStringRef NSComboBox::toolTip() const
{
    return fComboBox->toolTip().isEmpty() ? nullptr : AppKitStandInMakeString(fComboBox->toolTip());
}

void NSComboBox::setAction(std::function<void(NSComboBox*)> action)
{
    QObject::disconnect(fComboBox, QOverload<int>::of(&QComboBox::activated), nullptr, nullptr);
    QObject::connect(fComboBox, QOverload<int>::of(&QComboBox::activated),
                     [this, action](int) { InPool([&] { action(this); }); });
}

void NSTextFieldCell::setTitle(CFStringRef title)
{
    fField->setText(AppKitStandInQString(title));
}

CFStringRef NSTextFieldCell::title() const
{
    return AppKitStandInMakeString(fField->text());
}

// --- alerts and panels ---

NSInteger NSRunAlertPanel(CFStringRef title, CFStringRef msgFormat, CFStringRef defaultButton,
                          CFStringRef alternateButton, CFStringRef otherButton, ...)
{
    va_list arguments;
    va_start(arguments, otherButton);
    CFStringRef const text =
        msgFormat ? CFStringCreateWithFormatAndArguments(kCFAllocatorDefault, nullptr, msgFormat, arguments)
                  : nullptr;
    va_end(arguments);
    QString const message = AppKitStandInQString(text);
    std::string const messageText = UTF8Of(text);
    if (text)
        CFRelease(text);
    if (sRobot)
        return sRobot->AnswerAlert(UTF8Of(title), messageText);

    QMessageBox box(QMessageBox::Warning, AppKitStandInQString(title), message, QMessageBox::NoButton,
                    QApplication::activeWindow());
    box.setWindowModality(Qt::ApplicationModal);
    QPushButton* const first = box.addButton(
        defaultButton ? AppKitStandInQString(defaultButton) : QStringLiteral("OK"), QMessageBox::AcceptRole);
    QPushButton* const second =
        alternateButton ? box.addButton(AppKitStandInQString(alternateButton), QMessageBox::RejectRole)
                        : nullptr;
    QPushButton* const third =
        otherButton ? box.addButton(AppKitStandInQString(otherButton), QMessageBox::DestructiveRole)
                    : nullptr;
    box.setDefaultButton(first);
    box.exec();
    if (second && box.clickedButton() == second)
        return NSAlertAlternateReturn;
    if (third && box.clickedButton() == third)
        return NSAlertOtherReturn;
    return NSAlertDefaultReturn;
}

NSOpenPanel* NSOpenPanel::openPanel()
{
    return static_cast<NSOpenPanel*>(const_cast<void*>(CFAutorelease(new NSOpenPanel)));
}

NSInteger NSOpenPanel::runModal()
{
    fChosen.clear();
    std::string path;
    if (sRobot)
    {
        if (!sRobot->AnswerOpenPanel(path))
            return NSModalResponseCancel;
    }
    else
    {
        PackageFileDialog dialog;
        if (fFolders && !fFiles)
            dialog.setFileMode(QFileDialog::Directory);
        dialog.setWindowModality(Qt::ApplicationModal);
        if (dialog.exec() != QDialog::Accepted)
            return NSModalResponseCancel;
        QString const chosen = dialog.Chosen().isEmpty() ? dialog.selectedFiles().value(0) : dialog.Chosen();
        path = chosen.toStdString();
    }
    if (path.empty())
        return NSModalResponseCancel;
    fChosen = path;
    return NSModalResponseOK;
}

CFArrayRef NSOpenPanel::URLs() const
{
    std::vector<CFTypeRef> urls;
    if (!fChosen.empty())
    {
        NSAutoreleasePool* const pool = new NSAutoreleasePool;
        CFStringRef const path =
            CFStringCreateWithBytes(kCFAllocatorDefault, reinterpret_cast<UInt8 const*>(fChosen.data()),
                                    static_cast<CFIndex>(fChosen.size()), kCFStringEncodingUTF8, false);
        if (path)
        {
            if (NSURL* const url = NSURL::fileURLWithPath(path))
                urls.push_back(CFRetain(url));
            CFRelease(path);
        }
        pool->drain();
    }
    CFArrayRef const array = CFArrayCreate(kCFAllocatorDefault, urls.data(),
                                           static_cast<CFIndex>(urls.size()), &kCFTypeArrayCallBacks);
    for (CFTypeRef url : urls)
        CFRelease(url);
    return static_cast<CFArrayRef>(CFAutorelease(array));
}

void AppKitStandInSetRobot(AppKitStandInRobot* robot)
{
    sRobot = robot;
}
