// The class library's exception and shared-object base. Windows-free, so the native build
// of the converters has them too.
#define QSCL_BUILD
#include "platform/qscl.h"

#include <cstdlib>

#ifdef _WIN32
#include "platform/qscore.h"
#endif

namespace qs {

namespace {

constexpr std::int32_t kOutOfMemory = static_cast<std::int32_t>(0x8007000E);

}  // namespace

ResultException::ResultException(std::int32_t status) : status_(status) {}
std::int32_t ResultException::getStatus() const { return status_; }

ComObject::ComObject() : references_(1) {}
void* ComObject::operator new(std::size_t size) {
#ifdef _WIN32
    void* block = QSMemAlloc(size);
#else
    void* block = std::malloc(size ? size : 1);
#endif
    if (block == nullptr) throw ResultException(kOutOfMemory);
    return block;
}
void ComObject::operator delete(void* block) {
#ifdef _WIN32
    QSMemFree(block);
#else
    std::free(block);
#endif
}
ComObject::~ComObject() = default;
std::uint32_t ComObject::AddRef() {
    return static_cast<std::uint32_t>(__atomic_add_fetch(&references_, 1, __ATOMIC_SEQ_CST));
}
std::uint32_t ComObject::Release() {
    long left = __atomic_sub_fetch(&references_, 1, __ATOMIC_SEQ_CST);
    if (left == 0) delete this;
    return static_cast<std::uint32_t>(left);
}

}  // namespace qs
