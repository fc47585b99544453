// How std::unordered_map and std::unordered_set choose their number of buckets. The
// run-time keeps these two members compiled in its library, built for the Pentium Pro
// (a floating-point compare of that processor's): every growth of every hash table of
// the program ran through them. Here they are built for the Pentium. The bucket count
// is the smallest prime not below the one asked for; the load factor is kept as the
// container expects.
#include <cstddef>
#include <cstdint>
#include <limits>
#include <unordered_map>

namespace {

bool IsPrime(std::size_t n) {
    if (n < 2) return false;
    for (std::size_t d = 2; d <= n / d; ++d)
        if (n % d == 0) return false;
    return true;
}

// The most elements `buckets` may hold at `loadFactor`.
std::size_t ResizeAt(std::size_t buckets, float loadFactor) {
    const double most = static_cast<double>(buckets) * loadFactor;
    return most >= static_cast<double>(std::numeric_limits<std::size_t>::max())
               ? std::numeric_limits<std::size_t>::max()
               : static_cast<std::size_t>(most);
}

}  // namespace

std::size_t std::__detail::_Prime_rehash_policy::_M_next_bkt(std::size_t n) const {
    // A table made with no bucket wanted gets one, and stays unallocated until its
    // first insertion asks again.
    if (n == 0) return 1;
    std::size_t buckets = n;
    while (!IsPrime(buckets) && buckets < std::numeric_limits<std::size_t>::max()) ++buckets;
    _M_next_resize = ResizeAt(buckets, _M_max_load_factor);
    return buckets;
}

std::pair<bool, std::size_t> std::__detail::_Prime_rehash_policy::_M_need_rehash(
    std::size_t buckets, std::size_t elements, std::size_t inserted) const {
    if (elements + inserted <= _M_next_resize) return {false, 0};
    // A first allocation makes room for a few elements at once.
    const std::size_t wanted = std::max<std::size_t>(elements + inserted, _M_next_resize ? 0 : 11);
    const double least = static_cast<double>(wanted) / _M_max_load_factor;
    if (least >= static_cast<double>(buckets)) {
        const std::size_t grown =
            std::max<std::size_t>(static_cast<std::size_t>(least) + 1, buckets * _S_growth_factor);
        return {true, _M_next_bkt(grown)};
    }
    _M_next_resize = ResizeAt(buckets, _M_max_load_factor);
    return {false, 0};
}
