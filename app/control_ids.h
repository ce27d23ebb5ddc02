// Control identifiers of the main window, in tab order where a control takes focus.
#pragma once

namespace tavisto::app {

enum ControlId : int {
  kMemo1 = 100,
  kBtnStartAnalisys = 101,
  kBtnSaveResult = 102,
  kBtnSendResultEmail = 103,
  kBtnGetData = 104,
  kBtnSaveData = 105,
  kBtnSendDataEmail = 106,
  // Identity panel: caption labels, then value labels, row by row.
  kLabel2 = 200, kLabel4, kLabel5, kLabel6, kLabel7, kLabel8,
  kLbComputer = 210, kLbUtente, kLbOwner, kLbSystem, kLbMemT, kLbMemD,
};

}  // namespace tavisto::app
