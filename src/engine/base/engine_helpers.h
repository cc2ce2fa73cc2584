// Small building blocks shared by the whole program: one-instance services, non-copyable bases,
// intrusive lists of live objects, and the soft and hard check macros.
#pragma once

#include <stdexcept>
#include <string>

namespace siv {

// Forbids copies of the deriving class.
class noncopyable {
protected:
    noncopyable() = default;
    ~noncopyable() = default;
public:
    noncopyable(const noncopyable&) = delete;
    noncopyable& operator=(const noncopyable&) = delete;
};

// One instance per class, created on first use by a function-local static and destroyed at exit.
template <class T>
class singleton : public noncopyable {
public:
    static T& Instance()
    {
        static T instance;
        return instance;
    }
protected:
    singleton() = default;
    ~singleton() = default;
};

// An intrusive list of every live object of a class. A class derives from object_chain<T>;
// construction links the object at the end of the chain, destruction unlinks it.
template <class T>
class object_chain {
public:
    static T* First() { return static_cast<T*>(Head()); }
    T* Next() const { return static_cast<T*>(_next); }
protected:
    object_chain() { Link(); }
    object_chain(const object_chain&) { Link(); }
    object_chain& operator=(const object_chain&) { return *this; }
    ~object_chain()
    {
        if (_prev) _prev->_next = _next; else Head() = _next;
        if (_next) _next->_prev = _prev; else Tail() = _prev;
    }
private:
    void Link()
    {
        _prev = Tail();
        _next = nullptr;
        if (_prev) _prev->_next = this; else Head() = this;
        Tail() = this;
    }
    static object_chain*& Head() { static object_chain* head = nullptr; return head; }
    static object_chain*& Tail() { static object_chain* tail = nullptr; return tail; }
    object_chain* _prev = nullptr;
    object_chain* _next = nullptr;
};

} // namespace siv

namespace zf {
// Logs "Verify {expr} failed" with the source location at warning level.
void ReportFailedCheck(const char* expr, const char* file, int line);
// Logs "Error: <text>" with the source location and throws std::runtime_error(text).
[[noreturn]] void ThrowError(const char* text, const char* file, int line);
} // namespace zf

// Soft check: logs the failed expression and goes on.
#define VERIFY_SOFT(expr) \
    do { if (!(expr)) ::zf::ReportFailedCheck(#expr, __FILE__, __LINE__); } while (0)

// Hard check: logs the failed expression and throws std::runtime_error("verify {expr} failed").
#define VERIFY(expr)                                                                  \
    do {                                                                              \
        if (!(expr)) {                                                                \
            ::zf::ReportFailedCheck(#expr, __FILE__, __LINE__);                       \
            throw std::runtime_error(std::string("verify {") + #expr + "} failed");   \
        }                                                                             \
    } while (0)

// Fatal error: logs "Error: <text>" with the location and throws the text.
#define THROW_ERROR(text) ::zf::ThrowError(text, __FILE__, __LINE__)
