#pragma once

#include <QString>

#include <optional>

namespace tama {

// Numbers typed into a box, as a person types them: half- or full-width digits, a
// decimal point, spaces around. Throws StoreError(Invalid) naming the box when the
// text is no number; an empty box gives nothing.
std::optional<double> numberFromBox(const QString &text, const QString &box);
// The same for a box that must be filled.
double requiredNumberFromBox(const QString &text, const QString &box);

// The text with full-width digits and signs (０-９ ． ／ － ＋) made half-width and
// the spaces around it trimmed.
QString halfWidthNumber(const QString &text);

// A stored number as the editors show it: "4", "0.5", "319.6".
QString numberText(double value);

} // namespace tama
