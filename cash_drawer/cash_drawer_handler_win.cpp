#include <utility>

#include "cash_drawer/cash_drawer_handler.h"
#include "cash_drawer/system_print_spooler_win.h"

namespace kestro {

void HandleCashDrawerCall(const flutter::MethodCall& call,
                          std::unique_ptr<flutter::MethodResult> result,
                          const CashDrawerServices& services) {
  SystemPrintSpooler spooler;
  HandleCashDrawerCall(call, std::move(result), spooler, services);
}

}  // namespace kestro
