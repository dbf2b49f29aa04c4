// The readable interface; its destructor here gives the class one home for its type data.
#include "COL/COLreadable.h"

COLreadable::~COLreadable() {}
