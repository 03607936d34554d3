// The version and code page of a drawing: kept in two places (the fields the writer uses and
// the header variables the file carries), set together here.

#include "dxf/dxf_io.h"
#include "model/tags.h"

namespace cadhost::dxf {
namespace {

void setHeader(model::Drawing& d, const char* name, int code, const std::string& value) {
  model::HeaderVar* v = model::findHeaderVar(d, name);
  if (!v) {
    d.header.push_back(model::HeaderVar{name, {}});
    v = &d.header.back();
  }
  model::setTag(v->tags, code, value);
}

}  // namespace

void setVersion(model::Drawing& drawing, const std::string& acadver) {
  drawing.version = acadver;
  setHeader(drawing, "$ACADVER", 1, acadver);
}

void setCodepage(model::Drawing& drawing, const std::string& codepage) {
  drawing.codepage = codepage;
  setHeader(drawing, "$DWGCODEPAGE", 3, codepage);
}

}  // namespace cadhost::dxf
