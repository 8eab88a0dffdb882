#pragma once
// Every translation unit of the extension sees the interpreter through the
// stable ABI of 3.11, so one build serves every later interpreter.
#ifndef Py_LIMITED_API
#define Py_LIMITED_API 0x030B0000
#endif
#define PY_SSIZE_T_CLEAN
#include <Python.h>
