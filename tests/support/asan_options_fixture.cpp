// Lets the sanitizer build report a failed huge allocation as std::bad_alloc,
// as the release build does, so the "Out of Memory" paths can be tested.
extern "C" const char* __asan_default_options();
extern "C" const char* __asan_default_options() { return "allocator_may_return_null=1"; }
