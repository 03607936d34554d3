#include "sheetcut_app/error_text.h"

#include <sheetcut/error.h>

namespace sheetcut::app {

ErrorText errorText(std::exception_ptr error) {
  try {
    std::rethrow_exception(error);
  } catch (const sheetcut::Error& e) {
    return {e.number(), QString::fromStdString(e.description())};
  } catch (const std::exception& e) {
    return {sheetcut::errnum::kGeneric, QString::fromUtf8(e.what())};
  } catch (...) {
    return {sheetcut::errnum::kGeneric, QStringLiteral("未知错误")};
  }
}

}  // namespace sheetcut::app
