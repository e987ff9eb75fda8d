// Curves: reading a key's 64 bytes, evaluating a curve, splitting one by de Casteljau.
#include <gtest/gtest.h>

#include "pose/curve.h"
