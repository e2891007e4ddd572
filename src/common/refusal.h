#pragma once
// A rule's refusal: the one refusal type, which the journal throws as well
// (books/refusal.h), so windows catch the rules' and the journal's alike.
#include "books/refusal.h"

namespace common {

using Refused = books::Refused;

} // namespace common
