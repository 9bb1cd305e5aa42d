# perl -CSD packaging/ja-line-breaks.pl < PAGE.in > PAGE
#
# Filters a Japanese manual page (roff) so that groff may break a line
# between two Japanese characters: groff breaks only at spaces, and
# Japanese text has none. A break point (\:) goes after every wide
# character that is followed by another wide character or by a letter or
# digit, never before closing punctuation (、。）」) nor a small kana or
# the long vowel mark. Request lines (.TH, .SH ...) are left as they are;
# the page itself says ".ad l", since a line of Japanese cannot be
# stretched to the right margin at its few spaces.
use strict;
use warnings;
my $wide = qr/[\x{3041}-\x{30FA}\x{3400}-\x{9FFF}\x{F900}-\x{FAFF}\x{FF01}-\x{FF5E}\x{3001}\x{3002}\x{300C}-\x{300F}]/;
my $small = qr/[\x{3041}\x{3043}\x{3045}\x{3047}\x{3049}\x{3063}\x{3083}\x{3085}\x{3087}\x{308E}\x{30A1}\x{30A3}\x{30A5}\x{30A7}\x{30A9}\x{30C3}\x{30E3}\x{30E5}\x{30E7}\x{30EE}\x{30F5}\x{30F6}\x{30FC}]/;
my $opening = qr/(?!$small)[\x{3041}-\x{30FA}\x{3400}-\x{9FFF}\x{F900}-\x{FAFF}\x{FF10}-\x{FF19}\x{FF21}-\x{FF3A}\x{FF41}-\x{FF5A}\x{FF08}\x{300C}\x{300E}A-Za-z0-9\\]/;
while (my $line = <STDIN>) {
    $line =~ s/($wide)(?=$opening)/$1\\:/g unless $line =~ /^[.']/;
    print $line;
}
