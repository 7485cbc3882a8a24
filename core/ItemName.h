// The name of a comparison entry. A whole tree holds one per entry, so it is three words and keeps
// names of up to 23 bytes inside them; longer ones go to the heap. Reads like a const std::string.
#pragma once

#include <cstdint>
#include <cstdlib>
#include <cstring>
#include <new>
#include <ostream>
#include <string>
#include <string_view>

namespace quillon {

class ItemName {
  public:
    static constexpr size_t kInline = 23;

    ItemName() noexcept { SetInlineSize(0); }
    ItemName(std::string_view text) { Assign(text); }    // NOLINT: stands in for std::string
    ItemName(const char* text) { Assign(text); }         // NOLINT
    ItemName(const std::string& text) { Assign(text); }  // NOLINT
    ItemName(const ItemName& other) { Assign(other.view()); }
    ItemName(ItemName&& other) noexcept {
        std::memcpy(bytes_, other.bytes_, sizeof bytes_);
        other.SetInlineSize(0);
    }
    ItemName& operator=(const ItemName& other) {
        if (this != &other) {
            Replace(other.view());
        }
        return *this;
    }
    ItemName& operator=(ItemName&& other) noexcept {
        if (this != &other) {
            FreeHeap();
            std::memcpy(bytes_, other.bytes_, sizeof bytes_);
            other.SetInlineSize(0);
        }
        return *this;
    }
    ItemName& operator=(std::string_view text) {
        Replace(text);
        return *this;
    }
    ItemName& operator=(const char* text) { return *this = std::string_view(text); }
    ItemName& operator=(const std::string& text) { return *this = std::string_view(text); }
    ~ItemName() { FreeHeap(); }

    const char* data() const { return OnHeap() ? HeapPtr() : bytes_; }
    const char* c_str() const { return data(); }
    size_t size() const { return OnHeap() ? HeapSize() : kInline - TagByte(); }
    size_t length() const { return size(); }
    bool empty() const { return size() == 0; }
    char operator[](size_t i) const { return data()[i]; }
    char front() const { return data()[0]; }
    char back() const { return data()[size() - 1]; }
    std::string_view view() const { return {data(), size()}; }
    std::string str() const { return std::string(view()); }
    operator std::string_view() const { return view(); }  // NOLINT
    operator std::string() const { return str(); }        // NOLINT
    int compare(std::string_view other) const { return view().compare(other); }

    friend bool operator==(const ItemName& a, const ItemName& b) { return a.view() == b.view(); }
    friend bool operator==(const ItemName& a, std::string_view b) { return a.view() == b; }
    friend bool operator==(const ItemName& a, const char* b) { return a.view() == b; }
    friend bool operator==(const ItemName& a, const std::string& b) { return a.view() == b; }
    friend auto operator<=>(const ItemName& a, const ItemName& b) { return a.view() <=> b.view(); }
    friend auto operator<=>(const ItemName& a, std::string_view b) { return a.view() <=> b; }
    friend std::string operator+(const ItemName& a, std::string_view b) {
        std::string text(a.view());
        text += b;
        return text;
    }
    friend std::string operator+(std::string_view a, const ItemName& b) {
        std::string text(a);
        text += b.view();
        return text;
    }
    friend std::string operator+(const ItemName& a, const char* b) {
        return a + std::string_view(b);
    }
    friend std::string operator+(const char* a, const ItemName& b) {
        return std::string_view(a) + b;
    }
    friend std::string operator+(const ItemName& a, const std::string& b) {
        return a + std::string_view(b);
    }
    friend std::string operator+(const std::string& a, const ItemName& b) {
        return std::string_view(a) + b;
    }
    friend std::ostream& operator<<(std::ostream& out, const ItemName& n) {
        return out << n.view();
    }
    friend void swap(ItemName& a, ItemName& b) noexcept {
        char t[sizeof a.bytes_];
        std::memcpy(t, a.bytes_, sizeof t);
        std::memcpy(a.bytes_, b.bytes_, sizeof t);
        std::memcpy(b.bytes_, t, sizeof t);
    }

  private:
    // The last byte tells the form: below kHeapTag it is kInline minus the inline length, so a
    // name of exactly kInline bytes ends in its own terminating zero.
    static constexpr unsigned char kHeapTag = 0x80;
    struct Heap {
        char* ptr;
        size_t size;
    };

    unsigned char TagByte() const { return static_cast<unsigned char>(bytes_[kInline]); }
    bool OnHeap() const { return TagByte() == kHeapTag; }
    const char* HeapPtr() const {
        Heap h;
        std::memcpy(&h, bytes_, sizeof h);
        return h.ptr;
    }
    size_t HeapSize() const {
        Heap h;
        std::memcpy(&h, bytes_, sizeof h);
        return h.size;
    }
    void SetInlineSize(size_t n) {
        bytes_[n] = '\0';
        bytes_[kInline] = static_cast<char>(kInline - n);
    }
    void FreeHeap() {
        if (OnHeap()) {
            std::free(const_cast<char*>(HeapPtr()));
        }
    }
    void Assign(std::string_view text) {
        if (text.size() <= kInline) {
            std::memcpy(bytes_, text.data(), text.size());
            SetInlineSize(text.size());
            return;
        }
        auto* p = static_cast<char*>(std::malloc(text.size() + 1));
        if (p == nullptr) {
            throw std::bad_alloc();
        }
        std::memcpy(p, text.data(), text.size());
        p[text.size()] = '\0';
        const Heap h{p, text.size()};
        std::memcpy(bytes_, &h, sizeof h);
        bytes_[kInline] = static_cast<char>(kHeapTag);
    }
    // `text` may point into this name.
    void Replace(std::string_view text) {
        if (OnHeap()) {
            char* old = const_cast<char*>(HeapPtr());
            Assign(text);
            std::free(old);
            return;
        }
        if (text.size() <= kInline) {
            std::memmove(bytes_, text.data(), text.size());
            SetInlineSize(text.size());
            return;
        }
        Assign(text);
    }

    char bytes_[kInline + 1];
};
static_assert(sizeof(ItemName) == 24);

}  // namespace quillon
