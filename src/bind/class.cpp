#include "class.hpp"

#include <cstring>
#include <stdexcept>
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

// The type slots of the class: the declared slots and constructor, the
// deallocation, members, properties and doc. A slot declared twice with
// different functions is a declaration fault.
struct Members {
    std::vector<PyType_Slot> slots;
    std::vector<PyMethodDef>* methods = new std::vector<PyMethodDef>();
    std::vector<PyGetSetDef>* getsets = new std::vector<PyGetSetDef>();
    std::vector<const ClassAttr*> attributes;
    const char* doc = nullptr;

    void add_slot(const PyType_Slot& s, const char* cls) {
        for (const PyType_Slot& t : slots) {
            if (t.slot != s.slot) continue;
            if (t.pfunc == s.pfunc) return;  // the two halves of one binary slot
            throw std::logic_error(std::string("slot ") + std::to_string(s.slot) + " declared twice in " + cls);
        }
        slots.push_back(s);
    }
};

PyTypeObject* create_class(const ClassDef& def, const Layout& layout, TypeCell& cell) {
    // Method and property arrays must outlive the type: they are built once
    // per process and never freed.
    Members m;
    m.slots.push_back({Py_tp_dealloc, reinterpret_cast<void*>(layout.dealloc)});
    for (const MethodTable* block : def.blocks) {
        for (const Entry& e : block->entries) {
            switch (e.kind) {
                case Entry::Kind::Method: m.methods->push_back(e.method); break;
                case Entry::Kind::Getter: m.getsets->push_back(e.getset); break;
                case Entry::Kind::Attribute: m.attributes.push_back(&e.attribute); break;
                case Entry::Kind::Constructor: m.doc = e.doc; [[fallthrough]];
                case Entry::Kind::Slots:
                    for (const PyType_Slot& s : e.slots)
                        if (s.slot != 0) m.add_slot(s, layout.name);
                    break;
            }
        }
    }
    if (def.fields) {
        m.getsets->push_back(PyGetSetDef{"__dict__", &dict_getter, nullptr, nullptr,
                                         const_cast<std::vector<const char*>*>(&*def.fields)});
    }
    m.methods->push_back(PyMethodDef{nullptr, nullptr, 0, nullptr});
    m.getsets->push_back(PyGetSetDef{nullptr, nullptr, nullptr, nullptr, nullptr});

    std::vector<PyType_Slot> slots = m.slots;
    slots.push_back({Py_tp_methods, m.methods->data()});
    slots.push_back({Py_tp_getset, m.getsets->data()});
    if (m.doc) slots.push_back({Py_tp_doc, const_cast<char*>(m.doc)});
    slots.push_back({0, nullptr});

    auto* spec_name = new std::string(std::string(def.module) + "." + layout.name);
    PyType_Spec spec{spec_name->c_str(), static_cast<int>(layout.basicsize), 0,
                     static_cast<unsigned int>(Py_TPFLAGS_DEFAULT | def.flags), slots.data()};
    PyObject* bases = nullptr;
    Ref base_tuple;
    if (def.base) {
        base_tuple = check(PyTuple_Pack(1, reinterpret_cast<PyObject*>(def.base())));
        bases = base_tuple.get();
    }
    const std::string failed = std::string("An error occurred while initializing class ") + layout.name;
    PyObject* type = PyType_FromSpecWithBases(&spec, bases);
    if (!type) raise_with_cause(failed);
    cell.partial = reinterpret_cast<PyTypeObject*>(type);
    if (def.qualname) {
        Ref q = check(PyUnicode_FromString(def.qualname));
        if (PyObject_SetAttrString(type, "__qualname__", q.get()) < 0) raise_with_cause(failed);
    }

    auto attribute_failed = [&](const char* attr) {
        raise_with_cause(std::string("An error occurred while initializing `") + layout.name + "." + attr + "`");
    };
    for (const ClassAttr* a : m.attributes) {
        try {
            Ref v = a->make();
            check_status(PyObject_SetAttrString(type, a->name, v.get()));
        } catch (...) {
            set_error_from_current_exception();
            attribute_failed(a->name);
        }
    }
    if (def.fields) {
        try {
            Ref f = make_dataclass_fields(*def.fields);
            check_status(PyObject_SetAttrString(type, "__dataclass_fields__", f.get()));
        } catch (...) {
            set_error_from_current_exception();
            attribute_failed("__dataclass_fields__");
        }
    }
    return reinterpret_cast<PyTypeObject*>(type);
}

}  // namespace

PyTypeObject* create_or_wait(TypeCell& cell, const ClassDef& (*def)(), const Layout& layout) {
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
        PyTypeObject* t = create_class(def(), layout, cell);
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
