// Keeps the library non-empty until its first class lands.
namespace zov { [[maybe_unused]] static int diagram_viewPlaceholder = 0; }
