// Factories of the concrete symbol classes, one per type id, named in the
// type list. Each is defined in its family's source; the catalogue calls
// them.
#pragma once

#include <memory>

#include "control/engine/barcode.h"
#include "control/engine/typelist.h"

using SymbolPtr = std::unique_ptr<CGenericBarcode>;

#define TESSALINE_TYPE_FACTORY(id, enumerator, name, demo, factory, engine, checksum) SymbolPtr factory();
TESSALINE_TYPE_LIST(TESSALINE_TYPE_FACTORY)
#undef TESSALINE_TYPE_FACTORY
