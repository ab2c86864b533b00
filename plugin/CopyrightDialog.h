// CopyrightDialog: the licence texts of the software the plug-in includes, behind the export dialog's
// "©" button. It reads the bundle's plain-text licence file and shows it as formatted text; a file
// that cannot be read is shown as that error, in place of the texts.
#pragma once

#include <QDialog>
#include <QString>

#include "GPathName.h"

class GBin2TextStream;
class QTextBrowser;

class CopyrightDialog : public QDialog
{
    Q_OBJECT

public:
    // Builds the dialog and reads the licence file into it.
    explicit CopyrightDialog(QWidget* parent);

    // "Resources/Licenses/TextInSoftware.txt" in the bundle's "Contents" folder.
    static GPathName GetLicenseFile();
    // The licence text, read line by line, as HTML: paragraphs end at an empty line, a line of
    // blanks or a line that starts with "-"; a one-line paragraph that starts with "This product
    // includes " is a heading; from a paragraph that starts with "For more legal notices" on, every
    // line is broken where the file breaks it.
    static QString ConvertToHtml(GBin2TextStream& reader);

    // What the text browser was given.
    QString const& GetHtml() const { return fHtml; }

private:
    QTextBrowser* fTextBrowser;
    QString fHtml;
};
