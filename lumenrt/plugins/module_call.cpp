#include "lumenrt/plugins/module_call.h"

#include <exception>
#include <string>

#include "lumenrt/core/zerror.h"
#include "lumenrt/plugins/plugin_exception.h"

namespace lumenrt {
namespace {

std::string ErrorText(const std::string& call, const ZError& error) {
  std::string text = call + ": error " + std::to_string(error.facility) + "-" + std::to_string(error.code);
  if (!error.text.IsEmpty()) text += std::string(": ") + error.text.c_str();
  return text;
}

}  // namespace

void RaiseAsPluginException(const char* call) {
  const std::string name = call != nullptr ? call : "a plug-in module";
  std::string text;
  std::int32_t code = kPluginErrorCode;
  try {
    throw;
  } catch (const Plugins::PluginException& exception) {
    text = exception.message;
    code = exception.code;
  } catch (ZError* error) {
    text = error != nullptr ? ErrorText(name, *error) : name + ": a null error";
    delete error;
  } catch (const ZError& error) {
    text = ErrorText(name, error);
  } catch (const std::exception& exception) {
    text = name + ": " + exception.what();
  } catch (...) {
    text = name + " raised an exception of a type the library does not know.";
  }
  // The module's exception ends as this one leaves the caller's handler, while the module is loaded.
  throw Plugins::PluginException(text.c_str(), code);
}

}  // namespace lumenrt
