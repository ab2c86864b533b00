// The licence dialog and the conversion of the licence file into formatted text.
#include "CopyrightDialog.h"

#include <QCoreApplication>
#include <QPushButton>
#include <QTextBrowser>
#include <QVBoxLayout>

#include <exception>

#include "GBin2TextStream.h"
#include "GBufferedInStreamDecorator.h"
#include "GCSPUPluginUILayer.h"
#include "GException.h"
#include "GFileInStream.h"
#include "GQStringSupport.h"
#include "GUTF8Encoding.h"

namespace
{
constexpr int cReadBufferSize = 1024;
QLatin1String const cHeadingStart("This product includes ");
QLatin1String const cNoticesStart("For more legal notices");

QString Translated(char const* text)
{
    return QCoreApplication::translate("CopyrightDialog", text);
}

// Empty, blanks only, or a rule of dashes.
bool EndsParagraph(QString const& line)
{
    if (line.startsWith(QLatin1Char('-')))
        return true;
    for (QChar const c : line)
    {
        if (c != QLatin1Char(' ') && c != QLatin1Char('\t'))
            return false;
    }
    return true;
}

// The text as typed: markup characters escaped, and a doubled apostrophe, which plain-text licences
// use for a quotation mark, shown as one.
QString Escaped(QString text)
{
    text.replace(QLatin1Char('&'), QLatin1String("&amp;"));
    text.replace(QLatin1Char('<'), QLatin1String("&lt;"));
    text.replace(QLatin1Char('>'), QLatin1String("&gt;"));
    text.replace(QLatin1Char('"'), QLatin1String("&quot;"));
    text.replace(QLatin1String("''"), QLatin1String("&quot;"));
    return text;
}

// What the dialog shows in place of the licence texts when their file does not read.
QString ErrorHtml(QString const& description)
{
    return QStringLiteral("<p>") + Escaped(Translated("Unable to read the license texts.")) +
           QStringLiteral("</p><p>") + Escaped(description) + QStringLiteral("</p>");
}

// The licence file as HTML; a file that does not read gives its error as the text to show, since an
// error thrown from here would leave through Qt's event loop and end the host.
QString ReadLicense()
{
    try
    {
        GBufferedInStreamDecorator buffered(new GFileInStream(CopyrightDialog::GetLicenseFile()),
                                            cReadBufferSize);
        GBin2TextStream reader(buffered, GUTF8Encoding::GetInstance());
        return CopyrightDialog::ConvertToHtml(reader);
    }
    catch (GException const& error)
    {
        return ErrorHtml(GQStringSupport::ToQString(error.GetFullDescription()));
    }
    catch (std::exception const& error)
    {
        return ErrorHtml(QString::fromLocal8Bit(error.what()));
    }
}
} // namespace

CopyrightDialog::CopyrightDialog(QWidget* parent) : QDialog(parent), fTextBrowser(new QTextBrowser)
{
    setWindowTitle(Translated("Copyrights"));
    setWindowFlags((windowFlags() & ~Qt::WindowContextHelpButtonHint) | Qt::CustomizeWindowHint |
                   Qt::WindowTitleHint | Qt::WindowSystemMenuHint | Qt::WindowMaximizeButtonHint |
                   Qt::WindowStaysOnTopHint);

    fHtml = ReadLicense();
    fTextBrowser->setReadOnly(true);
    fTextBrowser->setHtml(fHtml);

    auto* const done = new QPushButton(Translated("Done"));
    done->setDefault(true);
    done->setAutoDefault(true);
    connect(done, &QPushButton::clicked, this, [this] { accept(); });

    auto* const layout = new QVBoxLayout(this);
    layout->addWidget(fTextBrowser);
    layout->addWidget(done, 0, Qt::AlignHCenter);
    setMinimumSize(550, 450);
}

GPathName CopyrightDialog::GetLicenseFile()
{
    return GCSPUPluginUILayer::GetContentsFolder() / GPathName("Resources/Licenses/TextInSoftware.txt");
}

QString CopyrightDialog::ConvertToHtml(GBin2TextStream& reader)
{
    QString output;
    QString paragraph;
    int lines = 0;
    bool heading = false;
    // Once the notices begin, the file's own line breaks are kept to its end.
    bool notices = false;
    bool firstOfParagraph = true;
    GString text;
    while (reader.ReadLine(text))
    {
        QString line = GQStringSupport::ToQString(text);
        line.remove(QLatin1Char('\r'));
        if (EndsParagraph(line))
        {
            if (lines == 1 && heading)
                paragraph = QStringLiteral("<strong>") + paragraph + QStringLiteral("</strong>");
            if (lines >= 1)
                paragraph = QStringLiteral("<p>") + paragraph + QStringLiteral("</p>");
            output += paragraph;
            paragraph.clear();
            lines = 0;
            heading = false;
            firstOfParagraph = true;
            continue;
        }
        if (firstOfParagraph && line.size() >= cHeadingStart.size())
        {
            if (line.startsWith(cHeadingStart))
                heading = true;
            else if (line.startsWith(cNoticesStart))
            {
                paragraph += QStringLiteral("<br><br><br>");
                notices = true;
            }
        }
        // Without a break the last word of a line would run into the first of the next.
        if (lines > 0)
            paragraph += QLatin1Char('\n');
        paragraph += Escaped(line);
        if (notices)
            paragraph += QStringLiteral("<br>");
        ++lines;
        firstOfParagraph = false;
    }
    output += paragraph;
    return output;
}
