#pragma once
// The Windows faces that registers name are drawn with the metric-compatible
// IPA fonts; the records keep the Windows names.

void installFontSubstitutions();
