s/ ind1 / "quoted" /
s/ ind2 / a"b /
s/ ind3 / café,#1 /
s/ ind4 / 'x' /
s/ ind5 / " /
s/ ind6 / a\\t""b /
