// Whether stderr is a terminal that understands the cursor controls of the updating progress line.
#pragma once

namespace tesk {

bool stderrIsTerminal();

}  // namespace tesk
