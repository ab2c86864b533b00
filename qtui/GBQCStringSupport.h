// Shapes the tool tips the toolkit builds from string-pool texts: trimmed, line ends made LF, long
// lines broken at the first space or punctuation after the 80th character.
#pragma once

#include <QChar>
#include <QString>

class GBQCStringSupport
{
public:
    GBQCStringSupport() = delete;

    // A line longer than 80 characters is broken at its next white space (which becomes LF) or
    // after its next punctuation; a long run without either stays whole.
    static QString FormatToolTip(QString const& text);
    // Punctuation, backslash and "/": a break may follow them.
    static bool CanInsertBreakAfter(QChar c);

    static constexpr int cToolTipLineLength = 80;
};
