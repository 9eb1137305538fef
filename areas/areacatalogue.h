#pragma once

#include <QSize>
#include <QString>
#include <QStringList>

#include <array>

namespace volmira {

// One functional area of the fixed catalogue: the code the dictionary files tables under, the title
// shown to the user, the area bar button that selects it and the size of its picture.
struct FunctionalArea final {
    const char* code;        // lower case, as in [Functional Area]
    const char* title;       // area title, status text and the button's tooltip
    const char* buttonName;  // objectName of the area bar button
    QSize pictureSize;       // pixel size the picture is shown at on the button

    QString caption() const;  // the code with its first letter in upper case
};

constexpr int functionalAreaCount = 23;

// The catalogue in its fixed order: area bar from left to right, tab order, area filter order.
const std::array<FunctionalArea, functionalAreaCount>& functionalAreas();

// The area whose code equals lowerCaseCode exactly, or nullptr.
const FunctionalArea* findFunctionalArea(const QString& lowerCaseCode);

// "ALL" followed by every code in upper case, in catalogue order.
QStringList areaFilterEntries();

}  // namespace volmira
