" quorl programs end in .qrl.
au BufRead,BufNewFile *.qrl setfiletype quorl
