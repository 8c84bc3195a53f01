#!/usr/bin/perl
# Copies a roff page from stdin to stdout, giving each Japanese character a stand-in for
# output devices that cannot show it (man without a UTF-8 locale uses groff's ascii
# device, which would drop the character with a warning): a full-width letter, digit or
# sign becomes its ASCII twin, the full-width space a space, any other character "?".
use strict;
use warnings;
binmode STDIN, ':encoding(UTF-8)';
binmode STDOUT, ':encoding(UTF-8)';

my @lines = <STDIN>;
my %seen;
for (@lines) {
    $seen{ord $1} = 1 while /([\x{3000}-\x{30FF}\x{3400}-\x{9FFF}\x{FF00}-\x{FFEF}])/g;
}
# After the first comment line, so the page still starts as scdoc wrote it.
print shift @lines if @lines && $lines[0] =~ /^\.\\"/;
for my $code (sort { $a <=> $b } keys %seen) {
    my $stand_in = '?';
    if ($code >= 0xFF01 && $code <= 0xFF5E) {
        $stand_in = chr($code - 0xFEE0);
        $stand_in = '\e' if $stand_in eq '\\';
    } elsif ($code == 0x3000) {
        $stand_in = '\ ';
    }
    printf ".if !'\\*[.T]'utf8' .char \\[u%04X] %s\n", $code, $stand_in;
}
print @lines;
