// Tool-tip shaping.
#include "GBQCStringSupport.h"

QString GBQCStringSupport::FormatToolTip(QString const& text)
{
    QString const trimmed = text.trimmed();
    QString out;
    out.reserve(trimmed.size() + trimmed.size() / cToolTipLineLength + 1);
    int column = 0;
    for (int i = 0; i < trimmed.size(); ++i)
    {
        QChar const c = trimmed[i];
        if (c == QLatin1Char('\r') || c == QLatin1Char('\n'))
        {
            if (c == QLatin1Char('\r') && i + 1 < trimmed.size() && trimmed[i + 1] == QLatin1Char('\n'))
                ++i;
            out += QLatin1Char('\n');
            column = 0;
        }
        else if (column < cToolTipLineLength)
        {
            out += c;
            ++column;
        }
        else if (c.isSpace())
        {
            out += QLatin1Char('\n');
            column = 0;
        }
        else if (CanInsertBreakAfter(c))
        {
            out += c;
            out += QLatin1Char('\n');
            column = 0;
        }
        else
        {
            out += c;
            ++column;
        }
    }
    return out;
}

bool GBQCStringSupport::CanInsertBreakAfter(QChar c)
{
    return c.isPunct() || c == QLatin1Char('\\') || c == QLatin1Char('/');
}
