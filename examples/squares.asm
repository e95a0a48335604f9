; squares.asm: looks a square up in a table with FIN.
;
; FIN Pn reads the ROM byte whose address is the page of the FIN instruction
; (its high digit) followed by the contents of R0R1, always R0R1 whatever n
; is, and puts that byte into the pair Pn: high digit in the even register.
; A table therefore has to lie on the same 256-byte page as the FIN that
; reads it. Change the 13 in the FIM line to look up another square.
; Result: 13 x 13 = 169 = A9 hex, so R2 = A, R3 = 9.

        FIM R0R1, TABLE+13  ; R0R1 = the address of the table's entry 13
        FIN R2R3            ; R2R3 = that entry
        JUN DONE            ; jump over the table: it is data, not code

TABLE:  DB 0, 1, 4, 9, 16, 25, 36, 49          ; the squares of 0..15
        DB 64, 81, 100, 121, 144, 169, 196, 225

DONE:   NOP
