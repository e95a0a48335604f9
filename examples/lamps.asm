; lamps.asm: counts from 0 to 15 on the four lamps.
;
; The lamps show RAM output port 1, one lamp per bit. WMP writes the
; accumulator to the output port of the RAM chip that the last SRC chose,
; and on this machine that is port (high nibble of the SRC address) / 4:
; an address from 40 to 7F chooses port 1.
;
; Open it in the window and choose Debug > Animate to watch it count.
; Result: lamps (RAM output port 1) = F, A = 0, C = 1.

        FIM R0R1, 0x40  ; R0 = 4, R1 = 0: the SRC address 40
        SRC R0R1        ; choose RAM chip 1, whose output port drives the lamps
        LDM 0           ; start counting at 0
LOOP:   WMP             ; show the count on the lamps
        IAC             ; count up; going from F to 0 sets the carry
        JCN C0, LOOP    ; no carry yet: show the next count
        NOP             ; all sixteen counts shown: the program ends here
