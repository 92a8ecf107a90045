// Whether stderr is a terminal that understands the cursor controls of the updating progress line,
// and how wide it is.
#pragma once

namespace tesk {

bool stderrIsTerminal();

// Columns of the terminal on stderr; 0 when stderr is no terminal or its width is unknown.
int stderrColumns();

}   // namespace tesk
