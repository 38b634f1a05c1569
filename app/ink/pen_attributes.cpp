// Pen widths, colours and the paper colour: the tool bar's pen buttons,
// swatches and paper-colour spots, and the two operations that set what new
// ink looks like. The collector's default drawing attributes are the only
// place the pen lives; nothing here keeps a copy.

#include "app/shell/inkwrite.h"

#include "app/ink/ink_settings.h"
#include "platform/ink/ink_collector.h"

#include <QVariant>

#include <cmath>
#include <limits>

namespace {

[[noreturn]] void notAnInteger(const QString& why)
{
    throw PlatformError(PlatformErrorCode::InvalidArgument, ("Colour value: " + why).toStdString());
}

int32_t fromWhole(double value)
{
    if (!std::isfinite(value))
        notAnInteger(QStringLiteral("not a finite number"));
    const double rounded = std::nearbyint(value);  // halves to even
    if (rounded < std::numeric_limits<int32_t>::min() || rounded > std::numeric_limits<int32_t>::max())
        notAnInteger(QStringLiteral("outside the 32-bit range"));
    return static_cast<int32_t>(rounded);
}

// A value as a 32-bit signed integer: whole numbers within range as they
// are, other numbers rounded (halves to even), numeric text read as a number,
// true as -1. Anything else cannot be a colour.
int32_t toInt32(const QVariant& value)
{
    switch (value.typeId()) {
    case QMetaType::Bool:
        return value.toBool() ? -1 : 0;
    case QMetaType::Int:
    case QMetaType::Short:
    case QMetaType::SChar:
    case QMetaType::Char:
        return value.toInt();
    case QMetaType::UInt:
    case QMetaType::UShort:
    case QMetaType::UChar:
    case QMetaType::ULong:
    case QMetaType::ULongLong: {
        const qulonglong v = value.toULongLong();
        if (v > static_cast<qulonglong>(std::numeric_limits<int32_t>::max()))
            notAnInteger(QStringLiteral("outside the 32-bit range"));
        return static_cast<int32_t>(v);
    }
    case QMetaType::Long:
    case QMetaType::LongLong: {
        const qlonglong v = value.toLongLong();
        if (v < std::numeric_limits<int32_t>::min() || v > std::numeric_limits<int32_t>::max())
            notAnInteger(QStringLiteral("outside the 32-bit range"));
        return static_cast<int32_t>(v);
    }
    case QMetaType::Float:
    case QMetaType::Double:
        return fromWhole(value.toDouble());
    case QMetaType::QString: {
        bool ok = false;
        const double v = value.toString().trimmed().toDouble(&ok);
        if (!ok)
            notAnInteger(QStringLiteral("\"%1\" is not a number").arg(value.toString()));
        return fromWhole(v);
    }
    default:
        notAnInteger(QStringLiteral("a %1 is not a number").arg(QString::fromLatin1(value.typeName())));
    }
}

}  // namespace

void InkWrite::Pen_Width(int16_t p_Width)
{
    myInkCollector->DefaultDrawingAttributes().SetWidth(static_cast<float>(p_Width));
}

void InkWrite::Color_Select(const QVariant& p_BackColor)
{
    myInkCollector->DefaultDrawingAttributes().SetColor(toInt32(p_BackColor));
}

// The attribute first, so that Ink's cursor shows the pen just chosen.
void InkWrite::Image1_Click()
{
    Pen_Width(InkSettings::kThinPen);
    Ink();
}

void InkWrite::Image2_Click()
{
    Pen_Width(InkSettings::kMiddlePen);
    Ink();
}

void InkWrite::Image3_Click()
{
    Pen_Width(InkSettings::kThickPen);
    Ink();
}

// The swatch's own ForeColor, not the colour painted under it.
void InkWrite::labColor_Click(int16_t Index)
{
    if (Index < 0 || static_cast<size_t>(Index) >= labColor.size())
        throw PlatformError(PlatformErrorCode::IndexOutOfRange, "No colour swatch " + std::to_string(Index));
    Color_Select(QVariant(static_cast<qint32>(labColor[static_cast<size_t>(Index)]->ForeColor())));
    Ink();
}

// The paper only; the mode and the ink stay as they are.
void InkWrite::imgBackGColor_B_Click()
{
    ImgPaper->setBackColor(colorFromPacked(InkSettings::kDarkPaper));
}

void InkWrite::imgBackGColor_W_Click()
{
    ImgPaper->setBackColor(colorFromPacked(InkSettings::kWhitePaper));
}
