// The functions vellumine.wasm imports from its JavaScript side, declared for emscripten's
// link; the package's loader (js/package/src/core.js) gives their bodies.
mergeInto(LibraryManager.library, {
  vellumine_take: function () {},
});
