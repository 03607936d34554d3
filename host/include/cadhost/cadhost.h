#pragma once

// The drawing host's object model: include this header to use the host.

#include "cadhost/application.h"
#include "cadhost/block.h"
#include "cadhost/document.h"
#include "cadhost/entity.h"
#include "cadhost/host_error.h"
#include "cadhost/layer.h"
#include "cadhost/layout.h"
#include "cadhost/selection_set.h"
#include "cadhost/text_style.h"
#include "cadhost/types.h"
#include "cadhost/ucs.h"
#include "cadhost/utility.h"
