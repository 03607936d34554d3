#include "mobrel/err_object.h"

#include "sheetcut/error.h"

namespace mobrel {

ErrObject::ErrObject(const sheetcut::Error& error)
    : Number(error.number()), Description(QString::fromStdString(error.description())) {}

}  // namespace mobrel
