#include "areas/areacatalogue.h"

namespace volmira {

QString FunctionalArea::caption() const
{
    const QString text = QString::fromLatin1(code);
    return text.left(1).toUpper() + text.mid(1);
}

const std::array<FunctionalArea, functionalAreaCount>& functionalAreas()
{
    static const std::array<FunctionalArea, functionalAreaCount> areas{{
        {"acct", "Accounting", "cmdAcc", {40, 29}},
        {"bill", "Billing", "cmdbill", {48, 48}},
        {"case", "Case Management", "cmdcase", {32, 32}},
        {"clcl", "Claims", "cmdclcl", {32, 32}},
        {"coco", "Commissions", "cmdcoco", {45, 28}},
        {"crcr", "Capitation/Risk", "cmdcrcr", {32, 32}},
        {"ctct", "Criteria", "cmdctct", {28, 27}},
        {"cust", "Customer Service", "cmdcust", {25, 30}},
        {"etav", "eTavrin", "cmdetav", {32, 32}},
        {"fawf", "Workflow", "cmdfawf", {30, 30}},
        {"thdv", "Tavrin HIPAA Development", "cmdthdv", {40, 29}},
        {"thpr", "Tavrin HIPAA Privacy", "cmdthpr", {45, 31}},
        {"itsc", "ITS Claim", "cmditsc", {32, 32}},
        {"itsp", "ITS Plan", "Cmditsp", {32, 32}},
        {"mcar", "Managed Care", "cmdmcar", {37, 37}},
        {"mesb", "Member/Subscriber", "cmdmesb", {37, 33}},
        {"obxp", "Ombrix Pricing", "cmdobxp", {47, 30}},
        {"plan", "Plan", "cmdplan", {36, 40}},
        {"prov", "Provider", "cmdprov", {45, 34}},
        {"syst", "System", "cmdsyst", {32, 32}},
        {"temp", "Decision Support", "cmdtemp", {40, 40}},
        {"txtx", "Taxes", "cmdtxtx", {40, 40}},
        {"util", "Utilization Management", "cmdutil", {45, 45}},
    }};
    return areas;
}

const FunctionalArea* findFunctionalArea(const QString& lowerCaseCode)
{
    for (const FunctionalArea& area : functionalAreas()) {
        if (lowerCaseCode == QLatin1String(area.code))
            return &area;
    }
    return nullptr;
}

QStringList areaFilterEntries()
{
    QStringList entries{QStringLiteral("ALL")};
    for (const FunctionalArea& area : functionalAreas())
        entries << QString::fromLatin1(area.code).toUpper();
    return entries;
}

}  // namespace volmira
