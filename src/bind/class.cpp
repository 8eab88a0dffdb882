#include "class.hpp"

#include <cstring>
#include <string>

namespace vx::bind {

namespace {

[[noreturn]] void raise_with_cause(const std::string& message) {
    // Chain the pending error as the cause of a RuntimeError.
    PyObject *type, *value, *trace;
    PyErr_Fetch(&type, &value, &trace);
    PyErr_NormalizeException(&type, &value, &trace);
    if (value && trace) PyException_SetTraceback(value, trace);
    PyObject* outer = PyObject_CallFunction(PyExc_RuntimeError, "s", message.c_str());
    if (outer && value) {
        PyException_SetCause(outer, value);  // steals value
        value = nullptr;
    }
    Py_XDECREF(type);
    Py_XDECREF(value);
    Py_XDECREF(trace);
    if (outer) {
        PyErr_SetObject(PyExc_RuntimeError, outer);
        Py_DECREF(outer);
    }
    throw PythonError{};
}

// Sets the pending Python error from a C++ exception caught by the caller.
void materialise_current_exception() {
    try {
        throw;
    } catch (const Error& e) {
        PyErr_SetString(e.type, e.message.c_str());
    } catch (const PythonError&) {
    }
}

Ref make_dataclass_fields(const std::vector<const char*>& names) {
    Ref dataclasses = check(PyImport_ImportModule("dataclasses"));
    Ref make = check(PyObject_GetAttrString(dataclasses.get(), "make_dataclass"));
    Ref list = check(PyList_New(0));
    for (const char* n : names) {
        Ref s = check(PyUnicode_FromString(n));
        check_status(PyList_Append(list.get(), s.get()));
    }
    Ref cls = check(PyObject_CallFunction(make.get(), "sO", "_VexorinDataclassShape", list.get()));
    Ref fields = check(PyObject_GetAttrString(cls.get(), "__dataclass_fields__"));
    if (!PyDict_Check(fields.get()))
        raise_runtime_error("make_dataclass did not expose __dataclass_fields__: " + str_of(fields.get()));
    return fields;
}

// __dict__ of a class with fields: a new dict read through the getters.
PyObject* dict_getter(PyObject* self, void* closure) noexcept {
    auto* names = static_cast<const std::vector<const char*>*>(closure);
    try {
        Ref d = check(PyDict_New());
        for (const char* n : *names) {
            Ref v = check(PyObject_GetAttrString(self, n));
            check_status(PyDict_SetItemString(d.get(), n, v.get()));
        }
        return d.release();
    } catch (...) {
        set_error_from_current_exception();
        return nullptr;
    }
}

PyTypeObject* create_class(const ClassDef& def, TypeCell& cell) {
    // Method and property arrays must outlive the type: they are built once
    // per process and never freed.
    auto* methods = new std::vector<PyMethodDef>();
    auto* getsets = new std::vector<PyGetSetDef>();
    std::vector<const ClassAttr*> attributes;
    for (const MethodTable* block : def.blocks) {
        for (const Entry& e : block->entries) {
            switch (e.kind) {
                case Entry::Kind::Method: methods->push_back(e.method); break;
                case Entry::Kind::Getter: getsets->push_back(e.getset); break;
                case Entry::Kind::Attribute: attributes.push_back(&e.attribute); break;
            }
        }
    }
    if (def.fields) {
        getsets->push_back(PyGetSetDef{"__dict__", &dict_getter, nullptr, nullptr,
                                       const_cast<std::vector<const char*>*>(&*def.fields)});
    }
    methods->push_back(PyMethodDef{nullptr, nullptr, 0, nullptr});
    getsets->push_back(PyGetSetDef{nullptr, nullptr, nullptr, nullptr, nullptr});

    std::vector<PyType_Slot> slots = def.slots;
    slots.push_back({Py_tp_methods, methods->data()});
    slots.push_back({Py_tp_getset, getsets->data()});
    if (def.doc) slots.push_back({Py_tp_doc, const_cast<char*>(def.doc)});
    slots.push_back({0, nullptr});

    auto* spec_name = new std::string(std::string(def.module) + "." + def.name);
    PyType_Spec spec{spec_name->c_str(), static_cast<int>(def.basicsize), 0,
                     static_cast<unsigned int>(Py_TPFLAGS_DEFAULT | def.flags), slots.data()};
    PyObject* bases = nullptr;
    Ref base_tuple;
    if (def.base) {
        base_tuple = check(PyTuple_Pack(1, reinterpret_cast<PyObject*>(def.base())));
        bases = base_tuple.get();
    }
    PyObject* type = PyType_FromSpecWithBases(&spec, bases);
    if (!type) raise_with_cause(std::string("An error occurred while initializing class ") + def.name);
    if (def.qualname) {
        Ref q = check(PyUnicode_FromString(def.qualname));
        if (PyObject_SetAttrString(type, "__qualname__", q.get()) < 0)
            raise_with_cause(std::string("An error occurred while initializing class ") + def.name);
    }
    cell.partial = reinterpret_cast<PyTypeObject*>(type);

    auto attribute_failed = [&](const char* attr) {
        raise_with_cause(std::string("An error occurred while initializing `") + def.name + "." + attr + "`");
    };
    for (const ClassAttr* a : attributes) {
        try {
            Ref v = a->make();
            check_status(PyObject_SetAttrString(type, a->name, v.get()));
        } catch (...) {
            materialise_current_exception();
            attribute_failed(a->name);
        }
    }
    if (def.fields) {
        try {
            Ref f = make_dataclass_fields(*def.fields);
            check_status(PyObject_SetAttrString(type, "__dataclass_fields__", f.get()));
        } catch (...) {
            materialise_current_exception();
            attribute_failed("__dataclass_fields__");
        }
    }
    return reinterpret_cast<PyTypeObject*>(type);
}

}  // namespace

PyTypeObject* create_or_wait(TypeCell& cell, const ClassDef& (*def)()) {
    const auto me = std::this_thread::get_id();
    if (cell.creator == me && cell.partial) return cell.partial;
    // Another thread is creating the class (it released the interpreter lock
    // inside an import): wait for it without holding the lock.
    while (!cell.ready && cell.creator != std::thread::id{} && cell.creator != me) {
        PyThreadState* ts = PyEval_SaveThread();
        std::this_thread::yield();
        PyEval_RestoreThread(ts);
    }
    if (cell.ready) return cell.ready;
    cell.creator = me;
    try {
        PyTypeObject* t = create_class(def(), cell);
        cell.ready = t;
        cell.creator = std::thread::id{};
        cell.partial = nullptr;
        return t;
    } catch (...) {
        if (cell.partial) {
            Py_DECREF(reinterpret_cast<PyObject*>(cell.partial));
            cell.partial = nullptr;
        }
        cell.creator = std::thread::id{};
        throw;
    }
}

}  // namespace vx::bind
