#include "mainwindow/frmmain.h"

void frmMain::ShowFunctionalArea() {}
void frmMain::LoadAreaTables() {}
void frmMain::selectArea(const QString&) {}
void frmMain::cmdAcc_Click() {}
void frmMain::cmdbill_Click() {}
void frmMain::cmdcase_Click() {}
void frmMain::cmdclcl_Click() {}
void frmMain::cmdcoco_Click() {}
void frmMain::cmdcrcr_Click() {}
void frmMain::cmdctct_Click() {}
void frmMain::cmdcust_Click() {}
void frmMain::cmdetav_Click() {}
void frmMain::cmdfawf_Click() {}
void frmMain::cmdthdv_Click() {}
void frmMain::cmdthpr_Click() {}
void frmMain::cmditsc_Click() {}
void frmMain::Cmditsp_Click() {}
void frmMain::cmdmcar_Click() {}
void frmMain::cmdmesb_Click() {}
void frmMain::cmdobxp_Click() {}
void frmMain::cmdplan_Click() {}
void frmMain::cmdprov_Click() {}
void frmMain::cmdsyst_Click() {}
void frmMain::cmdtemp_Click() {}
void frmMain::cmdtxtx_Click() {}
void frmMain::cmdutil_Click() {}
