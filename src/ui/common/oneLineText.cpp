#include "ui/common/oneLineText.h"

#include "engine/gitText.h"

namespace tolvane {

QString oneLineText(QStringView text) {
    QString shown = displayText(text);
    shown.replace(QLatin1Char('\n'), QChar(0x21B5));
    return withVisibleCarriageReturns(std::move(shown));
}

QString withVisibleCarriageReturns(QString text) {
    text.replace(QLatin1Char('\r'), QChar(0x2190));
    return text;
}

} // namespace tolvane
