#pragma once
// Marks a function as one of the module's exports, under its own name: plain C for JS to call.
#define QM_EXPORT(name) extern "C" __attribute__((export_name(#name)))
