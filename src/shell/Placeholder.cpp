// Keeps the library non-empty until its first class lands.
namespace zov { [[maybe_unused]] static int shellPlaceholder = 0; }
