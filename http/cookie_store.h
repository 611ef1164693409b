// The cookie store: a collection that owns every cookie made through it,
// and the list of accepted cookies in order of acceptance, guarded by a
// reader-writer lock.
#pragma once

#include <cstddef>
#include <cstdint>
#include <iterator>
#include <list>
#include <memory>
#include <string>
#include <string_view>
#include <vector>

#include "core/rw_lock.h"
#include "http/cookie.h"
#include "http/uri.h"

namespace zorapi {

enum TIdCookieAccess : std::uint8_t { caRead, caReadWrite };

// The accepted cookies of a store, in order of acceptance; the list does not
// own them. A cookie taken out leaves a gap that the store closes once gaps
// are half the slots, so that taking one out does not move all behind it.
class TIdCookieList {
 public:
  class const_iterator {
   public:
    using iterator_category = std::forward_iterator_tag;
    using value_type = TIdCookie*;
    using difference_type = std::ptrdiff_t;
    using pointer = TIdCookie* const*;
    using reference = TIdCookie* const&;

    const_iterator() = default;
    reference operator*() const { return *FAt; }
    const_iterator& operator++() {
      ++FAt;
      SkipGaps();
      return *this;
    }
    const_iterator operator++(int) {
      const const_iterator old = *this;
      ++*this;
      return old;
    }
    bool operator==(const const_iterator& AOther) const { return FAt == AOther.FAt; }

   private:
    friend class TIdCookieList;
    const_iterator(TIdCookie* const* AAt, TIdCookie* const* AEnd) : FAt(AAt), FEnd(AEnd) { SkipGaps(); }
    void SkipGaps() {
      while (FAt != FEnd && *FAt == nullptr) ++FAt;
    }

    TIdCookie* const* FAt = nullptr;
    TIdCookie* const* FEnd = nullptr;
  };
  using iterator = const_iterator;

  const_iterator begin() const { return {FSlots.data(), FSlots.data() + FSlots.size()}; }
  const_iterator end() const { return {FSlots.data() + FSlots.size(), FSlots.data() + FSlots.size()}; }
  std::size_t size() const { return FSlots.size() - FGaps; }
  bool empty() const { return size() == 0; }

 private:
  friend class TIdCookies;

  std::vector<TIdCookie*> FSlots;  // null where a cookie was taken out
  std::size_t FGaps = 0;
};

class TIdCookies {
 public:
  TIdCookies() = default;
  ~TIdCookies();
  TIdCookies(const TIdCookies&) = delete;
  TIdCookies& operator=(const TIdCookies&) = delete;

  // A new, empty cookie in the collection; not in the list until AddCookie.
  TIdCookie* Add();
  // Frees a cookie of this store, taking it out of the list and the
  // collection. A cookie of another store is left alone.
  void Delete(TIdCookie* ACookie);

  // Puts an accepted cookie of this store into the list. With AReplaceOld
  // an old cookie of the same name, domain and path is freed first (the new
  // one takes its CreatedAt), unless the old one is HttpOnly and ATarget is
  // given with a protocol other than http or https. An expired cookie is not
  // listed. False when the cookie is not listed; the caller then frees it.
  // The old cookie is found by the name, domain and path that it had when
  // it was listed.
  bool AddCookie(TIdCookie* ACookie, const TIdURI* ATarget, bool AReplaceOld);

  // Frees every listed cookie that is expired.
  void RemoveExpiredCookies();
  // Frees every cookie.
  void Clear();

  // Collection index of the first cookie from FirstIndex on with that name
  // (and domain), ignoring case; -1 when there is none.
  int GetCookieIndex(std::u16string_view AName, int FirstIndex = 0) const;
  int GetCookieIndex(std::u16string_view AName, std::u16string_view ADomain, int FirstIndex = 0) const;

  // The collection, in order of creation (Cookies walks it).
  int Count() const;
  TIdCookie* Cookies(int AIndex) const;

  // Takes the read side (caRead) or the write side (caReadWrite) of the
  // lock and returns the list; UnlockCookieList releases the same side.
  TIdCookieList& LockCookieList(TIdCookieAccess AAccessType);
  void UnlockCookieList(TIdCookieAccess AAccessType);

 private:
  void List(TIdCookie* ACookie, std::u16string AKey);
  void Unlist(TIdCookie* ACookie);
  // Frees the cookie; the list keeps its gap for CloseGaps.
  void Free(TIdCookie* ACookie);
  void CloseGaps();
  // The first listed cookie with that key, or null.
  TIdCookie* FindListed(const std::u16string& AKey) const;

  std::list<std::unique_ptr<TIdCookie>> FCollection;
  TIdCookieList FCookieList;
  // So that a replacement does not search the whole list.
  TIdCookieKeyIndex FListIndex;
  mutable TReadWriteLock FRWLock;
};

}  // namespace zorapi
