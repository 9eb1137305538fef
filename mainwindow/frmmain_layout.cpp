#include "mainwindow/frmmain_layout.h"

#include "areas/areacatalogue.h"

#include <QWidget>

#include <algorithm>
#include <stdexcept>

namespace volmira::layout {

namespace {

constexpr FontRole W = FontRole::Window;
constexpr FontRole C = FontRole::Constantia;
constexpr FontRole C12B = FontRole::Constantia12Bold;
constexpr FontRole K12B = FontRole::Candara12Bold;
constexpr FontRole A = FontRole::Arial;
constexpr int none = -1;

// The area bar: 600 twips a button from Left 120, the Provider button 665 wide.
Placement areaButtonPlacement(int position)
{
    const FunctionalArea& area = functionalAreas()[position];
    const bool wideButton = QLatin1String(area.buttonName) == QLatin1String("cmdprov");
    return {area.buttonName, 120 + 600 * position, 120, wideButton ? 665 : 600, 735, position, C};
}

std::vector<Placement> buildPlacements()
{
    std::vector<Placement> rows;
    for (int position = 0; position < functionalAreaCount; ++position)
        rows.push_back(areaButtonPlacement(position));

    const Placement fixed[] = {
        // Client area.
        {"lblDomainName", 120, 960, 6495, 615, 48, W},
        {"imgDomain", 240, 1080, 1035, 420, none, W},
        {"impTemp", 240, 360, 1035, 420, none, W},
        {"Label8", 120, 1680, 3015, 315, 49, C12B},
        {"lstTables", 120, 2040, 3015, 5235, 23, C},
        {"Label9", 3600, 1680, 3015, 310, 50, C12B},
        {"lstColumns", 3600, 2040, 3015, 5235, 24, C},
        {"Line1", 3360, 1560, 15, 5880, none, W},
        {"frmTable", 120, 7440, 6495, 2535, 39, C12B},
        {"frmSearch", 6840, 960, 7095, 2175, 29, K12B},
        {"frmFields", 6840, 3240, 7095, 3255, 30, K12B},
        {"frameGUI", 6840, 6600, 7095, 1335, 65, K12B},
        {"frmValidValues", 6840, 8040, 7095, 1935, 44, C12B},
        {"lblTime", 0, 10440, 3855, 375, 57, A},
        {"lblDomain", 3840, 10440, 3975, 375, 58, A},
        {"lblDBVer", 7800, 10440, 2415, 375, 59, A},
        {"lblCopyRght", 10200, 10440, 3855, 375, 60, A},
        // frmSearch.
        {"Label10", 120, 480, 975, 255, 55, C},
        {"cmbDomain", 1800, 360, 1455, 345, 25, C},
        {"optTable", 3240, 240, 1575, 255, 54, C},
        {"optColumn", 3240, 600, 1575, 255, 53, C},
        {"optTblDesc", 4920, 240, 1935, 255, 52, C},
        {"optColDesc", 4920, 600, 2055, 255, 51, C},
        {"Label11", 120, 1080, 1335, 255, 56, C},
        {"txtSearch", 1800, 1080, 5055, 310, 26, C},
        {"cmdFirst", 1800, 1560, 495, 375, 61, W},
        {"cmdPrevious", 2400, 1560, 495, 375, 62, W},
        {"cmdNext", 3000, 1560, 495, 375, 63, W},
        {"cmdLast", 3600, 1560, 495, 375, 64, W},
        {"cmdSearch", 4560, 1560, 1095, 375, 27, C},
        {"cmdClear", 5760, 1560, 1095, 375, 28, C},
        // frmFields.
        {"Label1", 120, 360, 1215, 255, 31, C},
        {"txtDatatype", 1800, 360, 2535, 310, 34, C},
        {"chkPrimary", 1800, 720, 255, 375, 37, C},
        {"Label6", 2040, 840, 1215, 255, 46, C},
        {"chlForeign", 3600, 720, 255, 375, 38, C},
        {"Label7", 3840, 840, 1215, 255, 47, C},
        {"Label2", 120, 1200, 1695, 255, 32, C},
        {"txtLogiDesc", 1800, 1200, 5055, 310, 35, C},
        {"Label3", 120, 2160, 1695, 375, 33, C},
        {"txtDataDesc", 1800, 1680, 5055, 1455, 36, C},
        // frameGUI.
        {"Label12", 240, 300, 1215, 255, 67, C},
        {"txtGUILabel", 1800, 300, 5055, 330, 66, C},
        {"Label13", 240, 780, 1215, 255, 69, C},
        {"txtGUIControl", 1800, 780, 5055, 330, 68, C},
        // frmValidValues.
        {"txtValues", 240, 360, 6615, 1455, 45, C},
        // frmTable.
        {"Label4", 120, 360, 1695, 375, 40, C},
        {"txtTblLD", 1800, 360, 4455, 310, 42, C},
        {"Label5", 120, 1320, 1455, 375, 41, C},
        {"txtTblDD", 1800, 840, 4455, 1455, 43, C},
    };
    rows.insert(rows.end(), std::begin(fixed), std::end(fixed));
    return rows;
}

QFont makeFont(const char* family, double points, bool bold)
{
    QFont result{QString::fromLatin1(family)};
    result.setPointSizeF(points);
    result.setBold(bold);
    return result;
}

}  // namespace

QRect Placement::pixelGeometry() const
{
    return QRect(toPixels(left), toPixels(top), toPixels(width), toPixels(height));
}

QFont font(FontRole role)
{
    switch (role) {
    case FontRole::Window: return makeFont("Constantia", 14.25, true);
    case FontRole::Constantia: return makeFont("Constantia", 9.75, false);
    case FontRole::Constantia12Bold: return makeFont("Constantia", 12, true);
    case FontRole::Candara12Bold: return makeFont("Candara", 12, true);
    case FontRole::Arial: return makeFont("Arial", 9.75, false);
    }
    return makeFont("Constantia", 14.25, true);
}

const std::vector<Placement>& placements()
{
    static const std::vector<Placement> rows = buildPlacements();
    return rows;
}

QString labelText(const QString& caption)
{
    QString shown = caption;
    return shown.replace(QStringLiteral("&&"), QStringLiteral("&"));
}

void installFontSubstitutes()
{
    QFont::insertSubstitution(QStringLiteral("Constantia"), QStringLiteral("Caladea"));
    QFont::insertSubstitution(QStringLiteral("Candara"), QStringLiteral("Carlito"));
    QFont::insertSubstitution(QStringLiteral("Arial"), QStringLiteral("Liberation Sans"));
}

void applyLayout(QWidget* clientArea)
{
    std::vector<std::pair<int, QWidget*>> tabChain;
    for (const Placement& placement : placements()) {
        auto* control = clientArea->findChild<QWidget*>(QLatin1String(placement.name));
        if (!control)
            throw std::logic_error(std::string("the layout names a control the window lacks: ") + placement.name);
        control->setGeometry(placement.pixelGeometry());
        control->setFont(font(placement.fontRole));
        if (placement.tabIndex != none && control->focusPolicy() != Qt::NoFocus)
            tabChain.emplace_back(placement.tabIndex, control);
    }
    std::sort(tabChain.begin(), tabChain.end(), [](const auto& a, const auto& b) { return a.first < b.first; });
    for (size_t i = 1; i < tabChain.size(); ++i)
        QWidget::setTabOrder(tabChain[i - 1].second, tabChain[i].second);
}

}  // namespace volmira::layout
