! Reads back, record by record with unformatted sequential READ statements,
! the file Mardex made from the output of write_har after renaming REG to
! ZONE, and checks every field it expects. Exit status 0 when all hold.
! Usage: har_fortran_read FILE
program read_har
  implicit none
  integer, parameter :: u = 11
  character(len=512) :: path
  character(len=4) :: b4, name
  character(len=2) :: dtype
  character(len=4) :: storage
  character(len=70) :: longname
  character(len=12) :: arrname, st1, st2, elems(5)
  character(len=1) :: rd1, rd2
  character(len=60) :: hist(10)
  character(len=70) :: text(2)
  integer :: nints, n1, n2, i, ios, nfail
  integer :: krec, ntot, nhere, setstoread, acdmkn, acdim, stknow, elno1, elno2, neltrd
  integer :: d(7), lims(14)
  real(kind=4) :: vals(25)

  nfail = 0
  call get_command_argument(1, path)
  open (unit=u, file=trim(path), form='unformatted', access='sequential', status='old', &
        action='read')

  ! The creation date: "at " and the time of day.
  call expect_name('XXCD')
  read (u) b4, dtype, storage, longname, nints, n1, n2
  call check(dtype == '1C' .and. n1 == 1 .and. n2 == 70, 'XXCD descriptor')
  read (u) b4, krec, ntot, nhere, text(1)
  call check(krec == 1 .and. ntot == 1 .and. nhere == 1, 'XXCD counts')
  call check(text(1)(1:3) == 'at ' .and. text(1)(6:6) == ':', 'XXCD text '//trim(text(1)))

  ! The creating program: Mardex, then the library stamp.
  call expect_name('XXCR')
  read (u) b4, dtype, storage, longname, nints, n1, n2
  call check(trim(longname) == 'Creating Program' .and. n1 == 2 .and. n2 == 70, 'XXCR descriptor')
  read (u) b4, krec, ntot, nhere, text(1), text(2)
  call check(trim(text(1)) == 'Mardex', 'XXCR program '//trim(text(1)))

  ! The compiler: one string of at most 6 characters.
  call expect_name('XXCP')
  read (u) b4, dtype, storage, longname, nints, n1, n2
  call check(n1 == 1 .and. n2 == 6, 'XXCP descriptor')
  read (u) b4, krec, ntot, nhere

  ! The history: created, then the rename line.
  call expect_name('XXHS')
  read (u) b4, dtype, storage, longname, nints, n1, n2
  call check(trim(longname) == 'File History' .and. n1 == 2 .and. n2 == 60, 'XXHS descriptor')
  read (u) b4, krec, ntot, nhere, (hist(i), i = 1, 2)
  call check(trim(hist(1)) == 'no previous history', 'XXHS line 1 '//trim(hist(1)))
  call check(trim(hist(2)) == 'Set REG was globally renamed to ZONE', 'XXHS line 2 '//trim(hist(2)))

  ! RG01 now defines ZONE, with the same elements.
  call expect_name('RG01')
  read (u) b4, dtype, storage, longname, nints, n1, n2
  call check(dtype == '1C' .and. storage == 'FULL' .and. nints == 2, 'RG01 descriptor')
  call check(trim(longname) == 'Set ZONE Regions of the world', 'RG01 long name '//trim(longname))
  call check(n1 == 5 .and. n2 == 12, 'RG01 sizes')
  read (u) b4, krec, ntot, nhere, elems
  call check(krec == 1 .and. ntot == 5 .and. nhere == 5, 'RG01 counts')
  call check(elems(1) == 'R1' .and. elems(5) == 'R5', 'RG01 elements')

  ! A1 runs over ZONE x ZONE.
  call expect_name('A1  ')
  read (u) b4, dtype, storage, longname, nints, d
  call check(dtype == 'RE' .and. storage == 'FULL' .and. nints == 7, 'A1 descriptor')
  call check(all(d == [5, 5, 1, 1, 1, 1, 1]), 'A1 sizes')
  read (u) b4, setstoread, acdmkn, acdim, arrname, stknow, st1, st2, rd1, rd2, elno1, elno2, neltrd
  call check(setstoread == 1 .and. acdmkn /= 0 .and. acdim == 2 .and. stknow /= 0, 'A1 labels')
  call check(st1 == 'ZONE' .and. st2 == 'ZONE', 'A1 set names '//st1//st2)
  call check(rd1 == 'k' .and. rd2 == 'k' .and. neltrd == 0, 'A1 status')
  read (u) b4, krec, ntot, nhere, elems
  call check(krec == 1 .and. ntot == 5 .and. nhere == 5, 'A1 element list counts')
  call check(elems(1) == 'R1' .and. elems(5) == 'R5', 'A1 elements')
  read (u) b4, krec, n1, d
  call check(krec == 3 .and. n1 == 7 .and. all(d == [5, 5, 1, 1, 1, 1, 1]), 'A1 dimension record')
  read (u) b4, krec, lims
  call check(krec == 2 .and. all(lims == [1, 5, 1, 5, 1, 1, 1, 1, 1, 1, 1, 1, 1, 1]), 'A1 limits')
  read (u) b4, krec, vals
  call check(krec == 1, 'A1 values record')
  do i = 1, 25
    ! Bit for bit: the values pass through unchanged.
    call check(transfer(vals(i), 0) == transfer(real(i, kind=4) * 0.25, 0), 'A1 value')
  end do

  ! Nothing follows.
  read (u, iostat=ios) name
  call check(ios < 0, 'end of file after A1')
  close (u)
  if (nfail > 0) then
    print '(a,i0,a)', 'read_har: ', nfail, ' checks failed'
    stop 1
  end if
  print '(a)', 'read_har: all checks passed'

contains

  subroutine check(ok, what)
    logical, intent(in) :: ok
    character(len=*), intent(in) :: what
    if (.not. ok) then
      print '(2a)', 'read_har: FAILED ', what
      nfail = nfail + 1
    end if
  end subroutine check

  subroutine expect_name(want)
    character(len=4), intent(in) :: want
    read (u) name
    call check(name == want, 'header name '//name//' where '//want//' expected')
  end subroutine expect_name

end program read_har
