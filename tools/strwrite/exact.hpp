// Included first by every file of the writer that computes with reals: keeps floating-point
// results identical on processors with fused multiply-add, so that the same seed gives the
// same bytes with any compiler.
#pragma once

#if defined(__clang__)
#pragma clang fp contract(off)
#elif defined(__GNUC__)
#pragma GCC optimize("fp-contract=off")
#endif
