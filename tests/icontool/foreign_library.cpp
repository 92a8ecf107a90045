// Loads like libtesk.so but offers no extraction entry.
extern "C" int tesk_unrelated_entry() { return 1; }
