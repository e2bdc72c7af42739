#include "library_state.h"

namespace kestrel::media {

LibraryState& Library() {
    static LibraryState state;
    return state;
}

}  // namespace kestrel::media
