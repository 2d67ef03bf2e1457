#include "page/ResultCodes.h"

#include "page/StringTable.h"
#include "platform/Hooks.h"

namespace page {

int ErrorStringId(int code) {
  switch (code) {
    case -1: return 172;
    case -2: return 174;
    case -3: return 175;
    case -4: return 176;
    case -5: return 177;
    case -6: return 181;
    case -7: return 182;
    case -8: return 190;
    case -9: return 191;
    case -10: return 192;
    case -11:
    case -12: return 193;
    case -14:
    case -15:
    case -16: return 194;
    case -17: return 210;
    case -18: return 265;
    case -19: return 336;
    case -20: return 337;
    case -21: return 266;
    case -22: return 335;
    case -23:
    case -25: return 345;
    case -24: return 0;
    case -26: return 346;
    case -27: return 347;
    case -28: return 348;
    case -29: return 350;
    case -30: return 359;
    case -36: return 381;
    case -37: return 392;
    case -38: return 431;
    case -39: return 432;
    case -40: return 467;
    case -41: return 468;
    default: return kStrGenericError;
  }
}

std::string ErrorMessageOfCode(int code) {
  const int id = ErrorStringId(code);
  const std::string text = id == 0 ? std::string("No DirectX") : PnLoadString(id);
  return text + " " + std::to_string(code);
}

void ReportErrorCode(int code) { platform::ShowMessage(ErrorMessageOfCode(code), "Pennet", platform::kMbOk); }

}  // namespace page
